// SPDX-License-Identifier: GPL-2.0-or-later
// Writes the frame held in a frame block as a 24-bit BMP file: the 14-byte
// file header, the block's own 40-byte bitmap header, then the rows as the
// block holds them (bottom-up, as the sink stores them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

class QString;

struct TFrameBitmapLayout {
    uint32_t ImageSize; // the header's image size: width x height x bit count / 8
    uint32_t RowCount;
    uint32_t RowBytes; // bytes written per row: ImageSize / RowCount
    std::size_t RowStride; // rows sit 3 bytes a pixel apart in the block, whatever the bit count
};

// The layout that the header words describe, or nothing when a row would
// reach past the pixel area or the height is negative (a top-down frame the
// block cannot hold).
std::optional<TFrameBitmapLayout> FrameBitmapLayout(int32_t width, int32_t height, uint32_t bitCount);

// False when the header words are refused (no file is created then) or when
// the file cannot be created or fully written (a partial file is removed).
bool WriteFrameBitmap(const unsigned char* block, const QString& fileName);
