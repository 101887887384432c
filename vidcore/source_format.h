// SPDX-License-Identifier: LGPL-2.1-or-later
// Which of a camera's own formats to ask for at a capture size.
//
// A camera offers raw and compressed formats, each at a few sizes and rates
// (a typical UVC webcam: MJPEG up to 1600x1200 at 30 fps, YUY2 at 640x480 at
// 30 fps but 1600x1200 at 5 fps). Left to caps fixation, a source may settle
// on any of them and the picture is then scaled up from a small one. The
// choice made here is explicit:
//   - the requested size itself when the camera offers it, otherwise the
//     smallest offered size that covers it (scaled down), otherwise the
//     largest offered size;
//   - at that size, raw video when it reaches 15 fps, else MJPEG, else raw;
//   - the highest frame rate up to 30 fps.
#pragma once

#include <gst/gst.h>

namespace vidcore {

inline constexpr int kMaxFrameRate = 30;
inline constexpr int kMinFrameRate = 15;

// Fixed caps (video/x-raw with its format, or image/jpeg) with width,
// height and framerate; nullptr when `offered` is empty, ANY or holds
// nothing this library can decode. Transfer full.
GstCaps* ChooseSourceCaps(const GstCaps* offered, int width, int height);

// True for compressed caps the capture decodes before use (image/jpeg).
bool IsJpegCaps(const GstCaps* caps);

} // namespace vidcore
