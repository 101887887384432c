// SPDX-License-Identifier: LGPL-2.1-or-later
/* The per-user runtime folder that holds Glimview's message port, its lock
 * and the two frame maps: $XDG_RUNTIME_DIR when that is a folder of this
 * user closed to everybody else, otherwise $XDG_STATE_HOME/glimview/run
 * (~/.local/state/glimview/run), a place no other account can create first.
 * Only when that path is too long for a socket name is /tmp/glimview-UID
 * used, and only when it is already this user's or can be made so. Every
 * folder is created with mode 0700 and taken only when it is a directory of
 * this user closed to everybody else. Both the program and the Snapwell sink
 * find the folder through this header, so they always agree on it.
 * Header-only and plain POSIX: the sink links neither Qt nor the program. */
#pragma once

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <sys/un.h>
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

// The longest name a socket in the folder gets (the port titles).
inline constexpr std::size_t kLongestSocketName = 40;

inline bool FitsSocketNames(const std::string& folder)
{
    return folder.size() + 1 + kLongestSocketName < sizeof(sockaddr_un::sun_path);
}

// $XDG_STATE_HOME/glimview/run, or ~/.local/state/glimview/run; empty
// without a home.
inline std::string StateRunFolder()
{
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        return std::string(state) + "/glimview/run";
    std::string home;
    if (const char* variable = std::getenv("HOME"); variable && *variable == '/')
        home = variable;
    else if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_dir && *entry->pw_dir == '/')
        home = entry->pw_dir;
    return home.empty() ? std::string() : home + "/.local/state/glimview/run";
}

// Creates the missing folders of `path` with mode 0700, the last one included.
inline void MakeFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0700);
    ::mkdir(path.c_str(), 0700);
}

// The folder the program uses when $XDG_RUNTIME_DIR cannot serve, whether
// or not it can be had; it names the folder in the message when it cannot.
inline std::string FallbackFolder()
{
    const std::string state = StateRunFolder();
    return !state.empty() && FitsSocketNames(state) ? state : PrivateTmpFolder();
}

// Empty when no safe folder can be had (the fallback taken by another
// account, for one).
inline std::string Path()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime && IsPrivateFolder(runtime))
        return runtime;
    const std::string fallback = FallbackFolder();
    const int saved = errno;
    MakeFolders(fallback);
    errno = saved;
    return IsPrivateFolder(fallback) ? fallback : std::string();
}

} // namespace runtimefolder
