// SPDX-License-Identifier: LGPL-2.1-or-later
// The capture devices the library offers: one entry per physical camera or
// microphone of the running device monitor, followed by the synthetic
// devices when VIDCORE_TEST_DEVICES=1.
#pragma once

#include "device_watch.h"
#include "gst_ref.h"

#include <gst/gst.h>

#include <string>
#include <vector>

namespace vidcore {

struct DeviceEntry {
    std::string name; // unique within its list
    GstRef<GstDevice> device; // empty for a synthetic device
    std::string key; // the physical device: node, bus, or provider path
    bool IsSynthetic() const { return !device; }
};

// The devices now, in the order the user sees them: the desktop's default
// microphone first, infrared cameras (grey pictures only) after every colour
// camera, otherwise the providers' order. A device two providers
// report (V4L2 and PipeWire, PulseAudio and PipeWire) is listed once, the
// V4L2 and PulseAudio entries preferred; identical names of different
// devices are told apart with " (2)", " (3)" in list order. Device numbers
// are positions in the returned list.
std::vector<DeviceEntry> ListDevices(DeviceKind kind);

// The source element for an entry, floating; nullptr when it cannot be made.
// Synthetic video is a live, scrolling SMPTE bar picture with the running
// time written on it; synthetic audio a live sine tone.
GstElement* CreateSourceElement(const DeviceEntry& entry, DeviceKind kind);

// The V4L2 device node of a real camera ("/dev/video0"), empty if unknown.
std::string DeviceNodePath(const DeviceEntry& entry);

} // namespace vidcore
