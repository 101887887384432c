// SPDX-License-Identifier: LGPL-2.1-or-later
/* Layout of the shared frame block between the Snapwell sink (writer) and
 * Glimview (reader). Both sides include this header; nothing else may know
 * these offsets.
 *
 *   offset     size       content
 *   0          5,760,000  pixel area: the last frame, BGR rows as the sample carried them
 *   5,760,000  40         BITMAPINFOHEADER of the accepted caps
 *   5,760,040  4          frame height (signed; note: height before width)
 *   5,760,044  4          frame width  (signed)
 *   5,760,048  4          bits per pixel
 *   5,760,052  4          FrameReady: 1 = pixel area holds a complete frame
 *
 * The permission block is one 32-bit word: 1 = the sink may copy frames.
 * All words are little-endian 32-bit, read and written whole (aligned).
 */
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "runtimefolder.h"

namespace frameblock {

inline constexpr std::size_t kPixelAreaSize = 5760000; // one 1600x1200 BGR frame
inline constexpr std::size_t kBitmapHeaderOffset = 5760000;
inline constexpr std::size_t kBitmapHeaderSize = 40;
inline constexpr std::size_t kHeightOffset = 5760040;
inline constexpr std::size_t kWidthOffset = 5760044;
inline constexpr std::size_t kBitCountOffset = 5760048;
inline constexpr std::size_t kFrameReadyOffset = 5760052;
inline constexpr std::size_t kFrameBlockSize = 5760056;
inline constexpr std::size_t kPermissionSize = 4;

inline constexpr const char* kFrameBlockMapName = "readsync4snapwell_Quillon";
inline constexpr const char* kPermissionMapName = "writesync4snapwell_Quillon";

static_assert(kFrameBlockSize == kPixelAreaSize + kBitmapHeaderSize + 4 * 4);

// Tests set this variable to a suffix of their own, so that their maps never
// meet those of a running Glimview of the same user.
inline constexpr const char* kMapSuffixVariable = "GLIMVIEW_SHM_SUFFIX";

// The file of a map: "<runtime folder>/<map name><suffix>". The folder is
// this user's alone, so no other account can create, open or block the
// maps. Empty when there is no safe runtime folder.
inline std::string MapFilePath(const char* mapName)
{
    const std::string folder = runtimefolder::Path();
    if (folder.empty())
        return {};
    const char* suffix = std::getenv(kMapSuffixVariable);
    const std::string tail = suffix ? suffix : "";
    if (tail.find('/') != std::string::npos) // a suffix names a file, never a folder
        return {};
    return folder + "/" + mapName + tail;
}

// The 40-byte Windows BITMAPINFOHEADER, little-endian, packed.
#pragma pack(push, 1)
struct BitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
#pragma pack(pop)
static_assert(sizeof(BitmapInfoHeader) == kBitmapHeaderSize);

inline constexpr uint32_t kBiRgb = 0;

// Whole-word access to the control words. Relaxed atomics compile to plain
// aligned 32-bit loads and stores; the ordering the protocol needs is given
// by the release/acquire pairs around FrameReady.
inline uint32_t* Word(void* block, std::size_t offset)
{
    return reinterpret_cast<uint32_t*>(static_cast<unsigned char*>(block) + offset);
}
inline const uint32_t* Word(const void* block, std::size_t offset)
{
    return reinterpret_cast<const uint32_t*>(static_cast<const unsigned char*>(block) + offset);
}
inline uint32_t LoadWord(const void* block, std::size_t offset)
{
    return __atomic_load_n(Word(block, offset), __ATOMIC_ACQUIRE);
}
inline void StoreWord(void* block, std::size_t offset, uint32_t value)
{
    __atomic_store_n(Word(block, offset), value, __ATOMIC_RELEASE);
}

// FrameReady is also a futex word: the writer wakes the reader waiting for
// a complete frame, in this process or in another that maps the block.
inline void SetFrameReady(void* block, uint32_t value)
{
    StoreWord(block, kFrameReadyOffset, value);
    if (value != 0)
        ::syscall(SYS_futex, Word(block, kFrameReadyOffset), FUTEX_WAKE, INT32_MAX, nullptr, nullptr, 0);
}

// Blocks until the block holds a complete frame; false if none came within
// `timeout`.
inline bool WaitForFrameReady(const void* block, std::chrono::milliseconds timeout)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point giveUp = Clock::now() + timeout;
    while (LoadWord(block, kFrameReadyOffset) == 0) {
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(giveUp - Clock::now());
        if (left.count() <= 0)
            return false;
        const timespec wait { static_cast<time_t>(left.count() / 1000000000),
            static_cast<long>(left.count() % 1000000000) };
        // Returns at once if the word is no longer 0; woken, timed out or
        // interrupted, the loop looks again.
        ::syscall(SYS_futex, Word(block, kFrameReadyOffset), FUTEX_WAIT, 0u, &wait, nullptr, 0);
    }
    return true;
}

} // namespace frameblock
