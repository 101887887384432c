// SPDX-License-Identifier: LGPL-2.1-or-later
// Keeps one OpenGL display and context alive for the life of the process, so
// that the preview sink's own context is not the first one the driver makes,
// and is made on a display connection whose driver set-up is already done.
#pragma once

#include <gst/gst.h>

namespace vidcore {

// Makes the context unless there is no X display or no OpenGL. Costs a few
// hundred milliseconds the first time: call it off the user's thread.
void KeepOpenGLWarm();

// Hands the warm display to the OpenGL elements later added to `pipeline`;
// without a warm display they open their own as usual.
void ShareWarmOpenGLDisplay(GstElement* pipeline);

} // namespace vidcore
