// SPDX-License-Identifier: GPL-2.0-or-later
// The pictures a fake camera shows: a short loop of frames with a bar that
// moves across colour bars, rendered once per format so that streaming is
// only handing out memory.
#pragma once

#include <gst/gst.h>
#include <gst/video/video.h>

#include <vector>

namespace fakecam {

// Frames in one loop; consecutive frames always differ.
constexpr int kLoopFrames = 8;

// The loop in a raw format, laid out as `info` says. The caller owns the
// memories.
std::vector<GstMemory*> RenderRawFrames(const GstVideoInfo& info);

// The loop as baseline JPEG (4:2:2, as UVC cameras send), encoded once per
// size for the whole process. The caller owns the returned references;
// empty if the encoder failed.
std::vector<GstMemory*> JpegFrames(int width, int height);

} // namespace fakecam
