// SPDX-License-Identifier: GPL-2.0-or-later
/* A stand-in for any library a program needs. Loaded, it leaves a mark in
 * the current folder. Planted under a real library's name in the folder a
 * program is started from, it must never be loaded. */
#include <fcntl.h>
#include <unistd.h>

__attribute__((constructor)) static void leave_mark(void)
{
    const int fd = open("planted-library-loaded", O_WRONLY | O_CREAT, 0644);
    if (fd >= 0)
        close(fd);
}
