// SPDX-License-Identifier: LGPL-2.1-or-later
// The library's GStreamer debug category, "vidcore". GST_DEBUG=vidcore:5
// traces how the pipeline is built (each element made and linked, the
// camera's caps) and every decision of the capture: the device chosen, a
// size change or reopening, a recording's start and stop, a microphone given
// up, the notices posted, the waits of a stop.
#pragma once

#include <gst/gst.h>

namespace vidcore {

// The category, registered on first use. GStreamer evaluates it only when
// some debug output is on, so it costs nothing otherwise.
GstDebugCategory* DebugCategory();

// Logs, at info level, the caps the element's pad settles on, each time they
// change (the caps a camera actually delivers, for one).
void TraceNegotiatedCaps(GstElement* element, const char* padName, const char* what);

} // namespace vidcore

#define GST_CAT_DEFAULT (vidcore::DebugCategory())
