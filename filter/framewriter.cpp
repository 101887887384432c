// SPDX-License-Identifier: LGPL-2.1-or-later
#include "framewriter.h"

#include <cstring>

namespace snapwell {

using namespace frameblock;

BitmapInfoHeader MakeBitmapHeader(int32_t width, int32_t height)
{
    BitmapInfoHeader header {};
    header.biSize = sizeof(BitmapInfoHeader);
    header.biWidth = width;
    header.biHeight = height; // positive: rows run bottom-up, as the sink stores them
    header.biPlanes = 1;
    header.biBitCount = kBitCount;
    header.biCompression = kBiRgb;
    header.biSizeImage = static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * (kBitCount / 8);
    return header;
}

bool FitsPixelArea(int64_t width, int64_t height)
{
    return width > 0 && height > 0
        && width * height * (kBitCount / 8) <= static_cast<int64_t>(kPixelAreaSize);
}

void StoreBitmapHeader(void* block, const BitmapInfoHeader& header)
{
    std::memcpy(static_cast<unsigned char*>(block) + kBitmapHeaderOffset, &header, sizeof header);
}

void StoreFrameWords(void* block, const BitmapInfoHeader& header)
{
    StoreWord(block, kHeightOffset, static_cast<uint32_t>(header.biHeight));
    StoreWord(block, kWidthOffset, static_cast<uint32_t>(header.biWidth));
    StoreWord(block, kBitCountOffset, header.biBitCount);
}

bool CopyPermitted(const void* permission) { return permission && LoadWord(permission, 0) == 1; }

bool BeginFrame(void* block, const void* permission)
{
    const uint32_t wasReady = LoadWord(block, kFrameReadyOffset);
    StoreWord(block, kFrameReadyOffset, 0);
    // The pixel stores that follow must not overtake the FrameReady store
    // above, nor the permission load below.
    __atomic_thread_fence(__ATOMIC_SEQ_CST);
    if (permission && !CopyPermitted(permission)) {
        SetFrameReady(block, wasReady);
        return false;
    }
    return true;
}

void EndFrame(void* block) { SetFrameReady(block, 1); }

namespace {

    bool Fits(std::size_t rowBytes, std::size_t height)
    {
        return rowBytes != 0 && height <= kPixelAreaSize / rowBytes;
    }

} // namespace

bool CopyFrameBottomUp(void* block, const uint8_t* rows, std::size_t stride, std::size_t rowBytes,
    std::size_t height, const void* permission)
{
    if (!Fits(rowBytes, height) || !BeginFrame(block, permission))
        return false;

    auto* pixels = static_cast<unsigned char*>(block);
    for (std::size_t row = 0; row < height; ++row)
        std::memcpy(pixels + (height - 1 - row) * rowBytes, rows + row * stride, rowBytes);

    EndFrame(block);
    return true;
}

} // namespace snapwell
