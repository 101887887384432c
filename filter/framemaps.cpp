// SPDX-License-Identifier: LGPL-2.1-or-later
#include "framemaps.h"

#include "filter/frameblock.h"

#include <atomic>
#include <cstddef>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace snapwell {
namespace {

    // Until the first block of the process is mapped no frame of this
    // process has been copied, and the block's ready word must say so.
    std::atomic<bool> firstBlockMapped { false };

    // Maps an existing map file of this user. A file of another owner, size
    // or access mode is not ours to write into, so it is refused. A writable
    // one gets its blocks first: in a folder without room a frame written
    // into a sparse file's mapping would fault (SIGBUS), while a failed
    // reservation only leaves the map closed.
    void* MapExisting(const char* mapName, std::size_t size, bool writable)
    {
        const std::string path = frameblock::MapFilePath(mapName);
        if (path.empty())
            return nullptr;
        const int fd
            = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return nullptr;

        void* view = nullptr;
        struct stat st { };
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()
            && (st.st_mode & 07777) == 0600 && st.st_size == static_cast<off_t>(size)
            && (!writable || ::posix_fallocate(fd, 0, static_cast<off_t>(size)) == 0)) {
            view = ::mmap(nullptr, size, writable ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED, fd, 0);
            if (view == MAP_FAILED)
                view = nullptr;
        }
        ::close(fd); // the mapping outlives the descriptor
        return view;
    }

} // namespace

bool OpenFrameMaps(FrameMaps& maps)
{
    if (!maps.block) {
        void* view = MapExisting(frameblock::kFrameBlockMapName, frameblock::kFrameBlockSize, true);
        if (!view)
            return false;
        if (!firstBlockMapped.exchange(true))
            frameblock::StoreWord(view, frameblock::kFrameReadyOffset, 0);
        maps.block = view;
    }
    if (!maps.permission) {
        maps.permission = MapExisting(frameblock::kPermissionMapName, frameblock::kPermissionSize, false);
        if (!maps.permission)
            return false;
    }
    return true;
}

void CloseFrameMaps(FrameMaps& maps)
{
    if (maps.block)
        ::munmap(maps.block, frameblock::kFrameBlockSize);
    if (maps.permission)
        ::munmap(const_cast<void*>(maps.permission), frameblock::kPermissionSize);
    maps = {};
}

} // namespace snapwell
