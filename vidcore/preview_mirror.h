// SPDX-License-Identifier: LGPL-2.1-or-later
// The conversion of the ximagesink preview, an element of the library's
// own: it turns the camera's planar YUV (I420, YV12, Y42B, Y444) into four
// bytes a pixel (BGRx, BGRA, RGBx, RGBA) with libyuv, and while its
// "mirrored" property is set it turns each row left to right on the way.
// Mirrored, two rows at a time are converted into a buffer that stays in
// the first-level cache and turned from there into the output, so the
// picture reads and writes no more memory than a plain one and costs only a
// few per cent more. The property can change while the pipeline plays: the
// caps stay as they are and the next frame shows the change.
//
// The input's colorimetry picks the matrix (BT.601, BT.709 or BT.2020, full
// or limited range); the output is sRGB.
#pragma once

namespace vidcore {

// The element's factory name; the element is registered with GStreamer on
// the first call.
const char* PreviewMirrorFactory();

} // namespace vidcore
