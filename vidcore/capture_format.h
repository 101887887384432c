// SPDX-License-Identifier: LGPL-2.1-or-later
// Capture sizes and the caps that hold the pipeline to one of them.
#pragma once

#include <gst/gst.h>

namespace vidcore {

inline constexpr int kDefaultWidth = 640;
inline constexpr int kDefaultHeight = 480;

// The six sizes the application offers, 320x240 up to 1600x1200.
bool IsCaptureSize(int width, int height);

// I420 of exactly width x height with square pixels, any rate: limited-range
// BT.601, or also the full range of a JPEG decoder when the camera sends
// MJPEG (`sourceCaps`, may be null) at exactly that size. Transfer full.
GstCaps* CaptureSizeCaps(int width, int height, const GstCaps* sourceCaps);

// Sets the size a pipeline that is not yet streaming negotiates.
void RenegotiateCaptureSize(GstElement* captureFilter, int width, int height, const GstCaps* sourceCaps);

// Changes the size of a streaming pipeline. The capture filter's caps change
// in the streaming thread, just before the next frame enters `scaler`, and
// the elements around it renegotiate in place with that frame. Changed from
// another thread, the filter could refuse what a renegotiation that is under
// way upstream had just agreed, and the camera would stop as not negotiated.
void RenegotiateCaptureSizeBeforeNextFrame(
    GstElement* scaler, GstElement* captureFilter, int width, int height, const GstCaps* sourceCaps);

} // namespace vidcore
