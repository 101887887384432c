// SPDX-License-Identifier: GPL-2.0-or-later
/* Creating a map file: mode 0600, sized (sparse, without reserving its
 * blocks as the application does), mapped read-write and shared. Header-only so that the benchmark shares it.
 */
#pragma once

#include <cerrno>
#include <cstddef>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace snapwell_test {

// nullptr on failure, with errno telling why. `exclusive` refuses an object
// that exists already.
inline void* CreateSharedMap(const std::string& path, std::size_t size, bool exclusive)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | (exclusive ? O_EXCL : 0), 0600);
    if (fd < 0)
        return nullptr;
    void* view = MAP_FAILED;
    if (::ftruncate(fd, static_cast<off_t>(size)) == 0)
        view = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    const int error = errno;
    ::close(fd);
    if (view == MAP_FAILED) {
        if (exclusive)
            ::unlink(path.c_str());
        errno = error;
        return nullptr;
    }
    return view;
}

} // namespace snapwell_test
