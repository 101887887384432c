// SPDX-License-Identifier: LGPL-2.1-or-later
#include "orc_guard.h"

#include <cstdlib>
#include <sys/statvfs.h>

namespace vidcore {

namespace {

    // ORC maps its code in regions of 64 KiB, a few for a capture; with less
    // than this free, a region may be mapped but never backed.
    constexpr unsigned long long kRoomForOrcCode = 1024 * 1024;

} // namespace

bool KeepOrcOffAFullRuntimeFolder()
{
    if (std::getenv("ORC_CODE"))
        return false; // the user's own choice stands
    const char* folder = std::getenv("XDG_RUNTIME_DIR");
    if (!folder || !*folder)
        return false;
    struct statvfs room { };
    if (::statvfs(folder, &room) != 0)
        return false;
    if (static_cast<unsigned long long>(room.f_bavail) * room.f_frsize >= kRoomForOrcCode)
        return false;
    ::setenv("ORC_CODE", "backup", 0);
    return true;
}

} // namespace vidcore
