// SPDX-License-Identifier: LGPL-2.1-or-later
// Capture sizes and the caps that hold the pipeline to one of them.
#pragma once

#include <gst/gst.h>

namespace vidcore {

inline constexpr int kDefaultWidth = 640;
inline constexpr int kDefaultHeight = 480;

// The six sizes the application offers, 320x240 up to 1600x1200.
bool IsCaptureSize(int width, int height);

// Limited-range BT.601 I420 of exactly width x height with square pixels,
// any rate. Transfer full.
GstCaps* CaptureSizeCaps(int width, int height);

// Changes the size the running pipeline negotiates: the capture filter's
// caps change, which makes the elements around it renegotiate in place.
void RenegotiateCaptureSize(GstElement* captureFilter, int width, int height);

} // namespace vidcore
