// SPDX-License-Identifier: GPL-2.0-or-later
// What the fake camera and the fake microphone do alike: the device they are
// asked for and the one they open, the formats it offers, the pacing of what
// they hand out, and the failure or unplugging the key file asks for after
// so many buffers. Each source holds one and keeps what is its own (formats,
// frames or samples, error texts at open and at set_caps).
#pragma once

#include "fakecam_pacing.h"
#include "fakecam_registry.h"

#include <gst/base/gstbasesrc.h>

#include <atomic>
#include <optional>
#include <string>

namespace fakecam {

// The ids of the properties both sources have.
enum SourceProperty : guint { kPropDevice = 1, kPropDeviceName, kPropProduced };

class SourceDevice {
public:
    SourceDevice() = default;
    SourceDevice(const SourceDevice&) = delete;
    SourceDevice& operator=(const SourceDevice&) = delete;
    ~SourceDevice() { Close(); }

    // "device" (read-write), "device-name" and the count of buffers handed
    // out since the start, under `producedName`.
    static void InstallProperties(GObjectClass* klass, const char* deviceBlurb, const char* producedName,
        const char* producedNick, const char* producedBlurb);
    void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec);
    void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec);

    // The device the "device" property names, as the key file describes it
    // now; `wanted` receives the name asked for.
    std::optional<DeviceConfig> Lookup(GstElement* element, bool audio, std::string& wanted);
    // Takes the device's group, formats and name; false when its caps string
    // gives no formats.
    bool Open(GstElement* element, const DeviceConfig& config);
    void Close();
    const char* Group() const { return group_.c_str(); }
    GstCaps* ProbedCaps() const { return probedCaps_; }
    // The formats for get_caps: the template's before the device is open.
    GstCaps* Caps(GstBaseSrc* basesrc, GstCaps* filter) const;

    // A new stream counts from zero.
    void Start();
    // The stream's pace and the failure the key file asks for.
    void Stream(const DeviceConfig& config, GstClockTime period, guint64 queueSlots);
    void Unlock() { pacer_.Unlock(); }
    void UnlockStop() { pacer_.UnlockStop(); }

    // Waits for the next slot. GST_FLOW_OK with `produced`, the buffers
    // handed out before this one; GST_FLOW_ERROR, posted with
    // `readError` as the driver words it, once the device fails or is
    // unplugged. A device that stalls holds the reader here, with nothing,
    // until the stream is stopped (GST_FLOW_FLUSHING).
    GstFlowReturn Next(GstElement* element, const char* readError, GstClockTime& runningTime, guint64& slot,
        guint64& skipped, guint64& produced);
    // One more buffer handed out.
    void CountProduced(guint64 produced) { produced_.store(produced + 1, std::memory_order_relaxed); }

private:
    /* Object lock. */
    std::optional<std::string> wanted_;
    std::string name_;
    bool named_ = false;

    /* The open device, READY and above. */
    GstCaps* probedCaps_ = nullptr;
    std::string group_;

    /* Streaming thread only. */
    guint64 failAfter_ = 0;
    guint64 unplugAfter_ = 0;
    guint64 stallAfter_ = 0;
    Pacer pacer_;

    std::atomic<guint64> produced_ { 0 };
};

} // namespace fakecam
