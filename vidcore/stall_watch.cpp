// SPDX-License-Identifier: LGPL-2.1-or-later
#include "stall_watch.h"

#include "debug_category.h"

#include <algorithm>
#include <mutex>

namespace vidcore {

namespace {

    // Five frame periods: a frame or two lost on the bus, or a camera whose
    // automatic exposure halves its rate in the dark, is no stall. Never less
    // than three seconds, which covers the slowest modes cameras offer (2 to
    // 5 fps at their largest raw sizes) and a machine too busy to run the
    // camera's thread for a moment; never more than ten, so that a camera
    // that claims an absurd rate (1/1000) is given up within a time a user
    // waits for.
    constexpr int64_t kStallPeriods = 5;
    constexpr int64_t kMinStallUs = 3 * G_USEC_PER_SEC;
    constexpr int64_t kMaxStallUs = 10 * G_USEC_PER_SEC;
    // A stall is noticed at most this late.
    constexpr GstClockTime kCheckInterval = 250 * GST_MSECOND;

} // namespace

int64_t StallTimeUs(int64_t framePeriodUs)
{
    if (framePeriodUs <= 0)
        return kMinStallUs;
    return std::clamp(framePeriodUs * kStallPeriods, kMinStallUs, kMaxStallUs);
}

struct StallWatch::State {
    std::mutex mutex; // held through a check, so that the destructor waits for it
    bool stopped = false;
    bool fired = false;
    std::shared_ptr<RecordingCounts> counts;
    std::function<void(int64_t)> stalled;
};

StallWatch::StallWatch(std::shared_ptr<RecordingCounts> counts, std::function<void(int64_t silentUs)> stalled)
    : state_(std::make_shared<State>())
{
    state_->counts = std::move(counts);
    state_->stalled = std::move(stalled);
    GstClock* clock = gst_system_clock_obtain();
    check_ = gst_clock_new_periodic_id(clock, gst_clock_get_time(clock) + kCheckInterval, kCheckInterval);
    gst_object_unref(clock);
    const auto check = [](GstClock*, GstClockTime, GstClockID, gpointer data) -> gboolean {
        State& state = **static_cast<std::shared_ptr<State>*>(data);
        std::lock_guard lock(state.mutex);
        if (state.stopped || state.fired)
            return TRUE;
        const int64_t last = state.counts->lastVideoInUs.load(std::memory_order_relaxed);
        if (last < 0)
            return TRUE; // not armed before the first frame
        const int64_t silent = g_get_monotonic_time() - last;
        const int64_t limit = StallTimeUs(state.counts->videoPeriodUs.load(std::memory_order_relaxed));
        if (silent < limit)
            return TRUE;
        GST_WARNING("no frame has entered the recording for %lld ms (at most %lld ms allowed)",
            static_cast<long long>(silent / 1000), static_cast<long long>(limit / 1000));
        state.fired = true;
        // The clip's sound ends with its last frame, not seconds later.
        state.counts->soundEnd.store(state.counts->videoEnd.load());
        state.stalled(silent);
        return TRUE;
    };
    gst_clock_id_wait_async(check_, check, new std::shared_ptr<State>(state_),
        [](gpointer data) { delete static_cast<std::shared_ptr<State>*>(data); });
}

StallWatch::~StallWatch()
{
    {
        std::lock_guard lock(state_->mutex);
        state_->stopped = true;
    }
    gst_clock_id_unschedule(check_);
    gst_clock_id_unref(check_);
}

} // namespace vidcore
