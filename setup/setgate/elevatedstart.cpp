// SPDX-License-Identifier: GPL-2.0-or-later
#include "elevatedstart.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace setgate {

namespace {

    // pkexec wants an absolute path: the program in the current directory.
    bool AbsolutePathInCurrentDirectory(const char* program, char (&path)[PATH_MAX])
    {
        char folder[PATH_MAX];
        if (!getcwd(folder, sizeof folder))
            return false;
        const int length = std::snprintf(path, sizeof path, "%s/%s", folder, program);
        return length > 0 && length < static_cast<int>(sizeof path);
    }

} // namespace

void StartElevated(const char* program, const char* parameter)
{
    char path[PATH_MAX];
    if (!AbsolutePathInCurrentDirectory(program, path))
        return;
    char pkexec[] = "pkexec";
    char flag[64];
    std::snprintf(flag, sizeof flag, "%s", parameter);
    char* const argv[] = { pkexec, path, flag, nullptr };

    // The installer runs on after the launcher ends; an intermediate child
    // that exits at once hands it to init, so nobody has to wait for it and
    // it never lingers as a zombie.
    const pid_t intermediate = fork();
    if (intermediate < 0)
        return;
    if (intermediate == 0) {
        setsid();
        pid_t installer;
        posix_spawnp(&installer, "pkexec", nullptr, nullptr, argv, environ);
        _exit(0);
    }
    while (waitpid(intermediate, nullptr, 0) < 0 && errno == EINTR) { }
}

} // namespace setgate
