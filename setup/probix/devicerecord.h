// SPDX-License-Identifier: LGPL-2.1-or-later
// What the camera search needs to know about one device, and the list that
// hands such records out one at a time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace probix {

// Node status flags, with the values the configuration manager gives them.
inline constexpr uint32_t kStatusNoShowInDeviceManager = 0x40000000; // DN_NO_SHOW_IN_DM
inline constexpr uint32_t kStatusHasProblem = 0x00000400; // DN_HAS_PROBLEM

// Each property text lives in a fixed buffer; a text that does not fit is
// treated as unreadable, that is, as the empty text.
inline constexpr std::size_t kPropertyBufferSize = 10240;

struct DeviceRecord {
    bool statusReadable = false;
    uint32_t statusFlags = 0;
    bool classHidden = false;
    char service[kPropertyBufferSize] = {};
    char className[kPropertyBufferSize] = {};
};

// A one-pass list of the devices present right now.
class DeviceList {
public:
    virtual ~DeviceList() = default;
    // Fills `record` with the next device; false when the list is exhausted.
    virtual bool Next(DeviceRecord& record) = 0;
};

} // namespace probix
