// SPDX-License-Identifier: GPL-2.0-or-later
#include "fakecam_pacing.h"

namespace fakecam {

void Pacer::Reset(GstClockTime period, guint64 queueSlots)
{
    std::lock_guard lock(mutex_);
    period_ = period;
    queueSlots_ = MAX(queueSlots, 1);
    start_ = GST_CLOCK_TIME_NONE;
    nextSlot_ = 0;
}

GstFlowReturn Pacer::Next(GstElement* element, GstClockTime& runningTime, guint64& slot, guint64& skipped)
{
    GstClock* clock = gst_element_get_clock(element);
    const GstClockTime baseTime = gst_element_get_base_time(element);
    const GstClockTime now = clock ? gst_clock_get_time(clock) : GST_CLOCK_TIME_NONE;

    std::unique_lock lock(mutex_);
    skipped = 0;
    if (flushing_) {
        if (clock)
            gst_object_unref(clock);
        return GST_FLOW_FLUSHING;
    }

    if (!clock) {
        // Outside a pipeline there is nothing to keep pace with.
        slot = nextSlot_++;
        runningTime = slot * period_;
        return GST_FLOW_OK;
    }

    const GstClockTime nowRunning = now > baseTime ? now - baseTime : 0;
    if (!GST_CLOCK_TIME_IS_VALID(start_))
        start_ = nowRunning;
    // The newest slot captured so far; older ones beyond the queue are gone.
    const guint64 latest = nowRunning > start_ ? (nowRunning - start_) / period_ : 0;
    if (latest >= nextSlot_ + queueSlots_) {
        skipped = latest + 1 - queueSlots_ - nextSlot_;
        nextSlot_ += skipped;
    }
    const GstClockTime target = start_ + nextSlot_ * period_;

    GstClockReturn waited = GST_CLOCK_OK;
    if (target > nowRunning) {
        wait_ = gst_clock_new_single_shot_id(clock, baseTime + target);
        GstClockID id = gst_clock_id_ref(wait_);
        lock.unlock();
        waited = gst_clock_id_wait(id, nullptr);
        lock.lock();
        gst_clock_id_unref(id);
        gst_clock_id_unref(wait_);
        wait_ = nullptr;
    }
    gst_object_unref(clock);

    if (waited == GST_CLOCK_UNSCHEDULED || flushing_)
        return GST_FLOW_FLUSHING;
    slot = nextSlot_++;
    runningTime = target;
    return GST_FLOW_OK;
}

GstFlowReturn Pacer::Hang()
{
    std::unique_lock lock(mutex_);
    unlocked_.wait(lock, [this] { return flushing_; });
    return GST_FLOW_FLUSHING;
}

void Pacer::Unlock()
{
    std::lock_guard lock(mutex_);
    flushing_ = true;
    if (wait_)
        gst_clock_id_unschedule(wait_);
    unlocked_.notify_all();
}

void Pacer::UnlockStop()
{
    std::lock_guard lock(mutex_);
    flushing_ = false;
}

} // namespace fakecam
