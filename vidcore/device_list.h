// SPDX-License-Identifier: LGPL-2.1-or-later
// The capture devices the library offers: what GstDeviceMonitor reports,
// followed by the synthetic devices when VIDCORE_TEST_DEVICES=1.
#pragma once

#include "gst_ref.h"

#include <gst/gst.h>

#include <string>
#include <vector>

namespace vidcore {

enum class DeviceKind { Video, Audio };

struct DeviceEntry {
    std::string name;
    GstRef<GstDevice> device;  // empty for a synthetic device
    bool IsSynthetic() const { return !device; }
};

// Enumerates afresh. Device numbers are positions in the returned list.
std::vector<DeviceEntry> ListDevices(DeviceKind kind);

// The source element for an entry, floating; nullptr when it cannot be made.
// Synthetic video is a live, scrolling SMPTE bar picture with the running
// time written on it; synthetic audio a live sine tone.
GstElement* CreateSourceElement(const DeviceEntry& entry, DeviceKind kind);

// The V4L2 device node of a real camera ("/dev/video0"), empty if unknown.
std::string DeviceNodePath(const DeviceEntry& entry);

}  // namespace vidcore
