// SPDX-License-Identifier: LGPL-2.1-or-later
// Makes a recording's streams start at zero. The libav encoders stamp their
// output far in the future (1000 hours), and the ASF muxer writes times as
// they come; rebasing every stream on the running time at which the
// recording started keeps audio and video together and the file's duration
// right.
#pragma once

#include <gst/gst.h>

#include <atomic>
#include <memory>

namespace vidcore {

// The running time at which a recording's streams start: that of its first
// video frame, so that video times stay whole multiples of the frame
// duration (ASF stores milliseconds; an arbitrary phase makes readers see
// two frames in one slot).
struct RecordingOrigin {
    std::atomic<GstClockTime> start { GST_CLOCK_TIME_NONE };
};

// Installs a probe on `pad` (an output feeding the muxer) that replaces the
// segment with a fresh TIME segment from 0 and sets each buffer's PTS/DTS to
// its running time minus the origin. The video pad sets the origin with its
// first buffer; buffers before the origin are dropped.
void InstallRestamper(GstPad* pad, std::shared_ptr<RecordingOrigin> origin, bool setsOrigin);

} // namespace vidcore
