// SPDX-License-Identifier: LGPL-2.1-or-later
// The USB devices and interfaces the kernel lists under bus/usb/devices,
// presented as device records.
#pragma once

#include "devicerecord.h"

#include <dirent.h>

namespace probix {

// The sysfs root: PROBIX_SYSFS_ROOT when set (tests point it at a fake tree),
// /sys otherwise.
const char* SysfsRoot();

class SysfsDeviceList final : public DeviceList {
public:
    explicit SysfsDeviceList(const char* sysfsRoot);
    ~SysfsDeviceList() override;
    SysfsDeviceList(const SysfsDeviceList&) = delete;
    SysfsDeviceList& operator=(const SysfsDeviceList&) = delete;

    // False when the device list could not be read at all.
    bool IsOpen() const { return entries_ != nullptr; }

    bool Next(DeviceRecord& record) override;

private:
    void Describe(const char* entryName, DeviceRecord& record) const;

    int devicesFd_ = -1; // every attribute is read relative to this folder
    DIR* entries_ = nullptr;
};

} // namespace probix
