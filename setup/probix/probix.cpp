// SPDX-License-Identifier: LGPL-2.1-or-later
#include "probix.h"

#include "camerasearch.h"
#include "sysfsdevicelist.h"

extern "C" __attribute__((visibility("default"))) uint8_t fnProbix(void) noexcept
{
    probix::SysfsDeviceList devices(probix::SysfsRoot());
    if (!devices.IsOpen())
        return 0;
    return probix::FindVideoCamera(devices) ? 1 : 0;
}
