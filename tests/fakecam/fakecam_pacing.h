// SPDX-License-Identifier: GPL-2.0-or-later
// Real-time pacing for the fake sources: a device hands out its next frame
// (or block of samples) only when the pipeline clock has reached it. Like a
// driver, it holds a few captured slots for a reader that is late (a live
// sink waits for the latency and its processing deadline before it returns)
// and drops the oldest beyond that, as a full queue does.
#pragma once

#include <gst/gst.h>

#include <condition_variable>
#include <mutex>

namespace fakecam {

class Pacer {
public:
    // Starts a new stream: the first slot is the running time of the first
    // Next() call; `queueSlots` captured slots wait for a late reader.
    void Reset(GstClockTime period, guint64 queueSlots);

    // Waits for the next slot. On GST_FLOW_OK `runningTime` is the slot's
    // running time and `skipped` how many slots were missed before it.
    GstFlowReturn Next(GstElement* element, GstClockTime& runningTime, guint64& slot, guint64& skipped);

    // Waits until the stream is cut short (flushing), as a reader of a device
    // that hangs does: nothing comes any more. Returns GST_FLOW_FLUSHING.
    GstFlowReturn Hang();

    // Cuts a wait short (flushing) and refuses new ones until UnlockStop().
    void Unlock();
    void UnlockStop();

private:
    std::mutex mutex_;
    std::condition_variable unlocked_;
    GstClockID wait_ = nullptr;
    bool flushing_ = false;
    GstClockTime period_ = GST_CLOCK_TIME_NONE;
    guint64 queueSlots_ = 1;
    GstClockTime start_ = GST_CLOCK_TIME_NONE;
    guint64 nextSlot_ = 0;
};

} // namespace fakecam
