// SPDX-License-Identifier: LGPL-2.1-or-later
// Notices a camera that stops sending while a recording runs: firmware that
// hangs, or a rate so slow it is no rate (1/1000). Such a camera reports no
// error and ends no stream; left alone, the recording would wait forever
// for frames and never be completed.
//
// The recording's video input stamps each frame as it enters the branch
// (RecordingCounts::lastVideoInUs). A periodic check on the system clock's
// own thread, so it runs whether or not the host runs a main loop, compares
// that with the time now. The watch is armed by the first frame: a camera
// that sends the recording nothing at all is a clip without a picture, the
// stop's business.
#pragma once

#include "recording_branch.h"

#include <gst/gst.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace vidcore {

// How long a camera may send nothing before it counts as stalled, for a
// frame period in microseconds (0: unknown).
int64_t StallTimeUs(int64_t framePeriodUs);

class StallWatch {
public:
    // `stalled` is called once, on the clock's thread, with the time since
    // the last frame in microseconds.
    StallWatch(std::shared_ptr<RecordingCounts> counts, std::function<void(int64_t silentUs)> stalled);
    // Returns once no check runs any more: `stalled` is never called after.
    ~StallWatch();

    StallWatch(const StallWatch&) = delete;
    StallWatch& operator=(const StallWatch&) = delete;

private:
    struct State;
    std::shared_ptr<State> state_;
    GstClockID check_ = nullptr;
};

} // namespace vidcore
