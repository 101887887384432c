// SPDX-License-Identifier: LGPL-2.1-or-later
// The OpenGL display of the preview, and one context kept alive on it.
//
// The host's windows are X11 windows (on a Wayland desktop, XWayland ones),
// so the preview draws through an X11 OpenGL display opened on the same X
// server. Left to itself, GStreamer's GL library would pick Wayland from the
// session's environment and draw into an X window id through a Wayland
// surface, which crashes.
//
// The context kept alive makes the preview sink's own context not the first
// one the driver makes, on a display connection whose driver set-up is done.
#pragma once

#include <gst/gst.h>

namespace vidcore {

// Makes the context unless there is no X display or no OpenGL. Costs a few
// hundred milliseconds the first time: call it off the user's thread.
void KeepOpenGLWarm();

// True when an OpenGL context can be made on the X display; makes the warm
// context first if it is not made yet.
bool X11OpenGLWorks();

// Hands the process's X11 OpenGL display to the OpenGL elements later added
// to `pipeline`. Without an X display, or without OpenGL on it, nothing is
// handed.
void ShareOpenGLDisplay(GstElement* pipeline);

} // namespace vidcore
