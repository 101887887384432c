// SPDX-License-Identifier: LGPL-2.1-or-later
// The sink that draws the live picture into the application's window.
#pragma once

#include <gst/gst.h>

#include <cstdint>
#include <string>

namespace vidcore {

// A sink drawing into X window `window`, scaled to fill it, when an X display
// is available; otherwise a sink that draws nothing. Floating reference;
// nullptr with `error` naming the missing element.
GstElement* CreatePreviewSink(uintptr_t window, std::string* error);

// Moves the picture of an overlay sink to another window (full screen and
// back); the window is redrawn at once.
void PointPreviewAt(GstElement* sink, uintptr_t window);

} // namespace vidcore
