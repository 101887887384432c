// SPDX-License-Identifier: LGPL-2.1-or-later
/* Writing one negotiated frame size and one frame into the frame block.
 * Nothing here allocates, locks or waits: it runs on the streaming thread
 * while the application may be reading the block. */
#pragma once

#include "filter/frameblock.h"

#include <cstddef>
#include <cstdint>

namespace snapwell {

inline constexpr uint16_t kBitCount = 24; // BGR, 3 bytes a pixel

// The header a bottom-up BGR frame of this size is described by.
frameblock::BitmapInfoHeader MakeBitmapHeader(int32_t width, int32_t height);

// Whether a frame of this size fits the pixel area.
bool FitsPixelArea(int64_t width, int64_t height);

// Copies the header into its place in the block, for the application's files.
void StoreBitmapHeader(void* block, const frameblock::BitmapInfoHeader& header);

// Height, width and bit count words, refreshed for every frame.
void StoreFrameWords(void* block, const frameblock::BitmapInfoHeader& header);

// The application allows copying with exactly 1; any other value stops it.
bool CopyPermitted(const void* permission);

// Starts writing a frame: FrameReady goes down, then the permission is read
// again. False, with FrameReady as it was and the pixels untouched, when the
// permission (if given) was withdrawn meanwhile: the application may have
// read FrameReady as 1 just before.
bool BeginFrame(void* block, const void* permission);

// Ends a write begun by BeginFrame: the pixel area holds a complete frame.
void EndFrame(void* block);

// Copies a top-down frame of `height` rows of `rowBytes` each into the pixel
// area bottom-up, packed, in one pass (its last row lands first), with
// FrameReady down while the copy runs. Refuses (false) a frame that does not
// fit the pixel area, and backs out as BeginFrame does.
bool CopyFrameBottomUp(void* block, const uint8_t* rows, std::size_t stride, std::size_t rowBytes,
    std::size_t height, const void* permission = nullptr);

} // namespace snapwell
