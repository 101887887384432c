// SPDX-License-Identifier: LGPL-2.1-or-later
// The branch that draws the live picture into the application's window,
// and which window sink this process draws with.
//
//   queue(leaky) ! videoconvert ! videoscale ! glimagesink
//   queue(leaky) ! videoconvert ! flip ! videoconvert ! videoscale ! ximagesink
//   queue(leaky) ! videoconvert ! videoscale ! fakesink (no window)
//
// in a bin of its own whose input never passes a failure back to the tee:
// a sink that cannot draw leaves the camera, the frame grab and recordings
// running.
//
// The flip turns the picture left to right for the window alone; the frame
// grab and the recording take the tee's unturned frames. glimagesink turns
// the picture as it draws it (its rotate-method: no pass over the pixels, no
// element more). Before ximagesink the flip is an element of the library's
// own (preview_mirror.h) that converts the camera's I420 into the display's
// four bytes a pixel and turns each row as it goes, at a few per cent more
// than the plain conversion; the converters around it pass the frames
// through unless the camera or the display has an unusual format.
#pragma once

#include <gst/gst.h>

#include <cstdint>
#include <string>

namespace vidcore {

enum class PreviewSinkKind {
    OpenGL, // glimagesink: scales to the window itself
    XImage, // ximagesink, fed at the window's size: any X display, no OpenGL needed
    None, // fakesink: the picture is not shown
};

// The window sink of this process: glimagesink until one fails to start,
// then ximagesink, then none. The first choice and every change are logged.
PreviewSinkKind PreviewSinkChoice();

// A preview of `kind` could not start or failed: the process goes on with
// the next sink. Returns the sink now chosen. When none is left, the
// application hears of it once (VidcoreNotice::DisplayFailed).
PreviewSinkKind GiveUpPreviewSink(PreviewSinkKind kind);

// True when the preview draws into a window: there is one and an X display.
bool PreviewHasWindow(uintptr_t window);

// The preview branch drawing into X window `window` with a sink of `kind`,
// mirrored left to right when `mirrored`; without a window, or with kind
// None, a branch that draws nothing. Floating reference; nullptr with
// `error` naming the missing element.
GstElement* CreatePreviewBranch(uintptr_t window, PreviewSinkKind kind, bool mirrored, std::string* error);

// Turns the drawn picture left to right, or back, from the next frame on.
void MirrorPreview(GstElement* branch, bool mirrored);

// The branch's sink (transfer full); nullptr for anything else.
GstElement* PreviewSinkIn(GstElement* branch);

// Moves the picture to another window (full screen and back); the window is
// redrawn at once.
void PointPreviewAt(GstElement* branch, uintptr_t window);

// The window may have changed size: a sink that does not scale by itself
// gets frames of the new size from the next one on.
void RefitPreview(GstElement* branch);

} // namespace vidcore
