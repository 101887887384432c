// SPDX-License-Identifier: LGPL-2.1-or-later
/* The per-user runtime folder that holds Glimview's message port, its lock
 * and the two frame maps: $XDG_RUNTIME_DIR when that is a folder of this
 * user closed to everybody else, otherwise /tmp/glimview-UID, created with
 * mode 0700 and checked the same way. Both the program and the Snapwell sink
 * find the folder through this header, so they always agree on it.
 * Header-only and plain POSIX: the sink links neither Qt nor the program. */
#pragma once

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace runtimefolder {

// A directory (not a link) owned by this user with no access for group or
// others. Nothing is repaired: a folder someone else could enter is not ours.
inline bool IsPrivateFolder(const std::string& path)
{
    struct stat info { };
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
        && (info.st_mode & 077) == 0;
}

// The fallback folder under /tmp, which every account can write into.
inline std::string PrivateTmpFolder() { return "/tmp/glimview-" + std::to_string(::geteuid()); }

// Empty when no safe folder can be had (the /tmp fallback taken by another
// account, for one).
inline std::string Path()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime && IsPrivateFolder(runtime))
        return runtime;
    const std::string fallback = PrivateTmpFolder();
    ::mkdir(fallback.c_str(), 0700);
    return IsPrivateFolder(fallback) ? fallback : std::string();
}

} // namespace runtimefolder
