// SPDX-License-Identifier: GPL-2.0-or-later
#include "camera/FrameBitmap.h"

#include "filter/frameblock.h"

#include <QFile>
#include <QString>

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kPixelDataOffset = kFileHeaderSize + frameblock::kBitmapHeaderSize;

void PutLe16(unsigned char* at, uint16_t value)
{
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

void PutLe32(unsigned char* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

bool WriteAll(int fd, const unsigned char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool WriteBitmap(int fd, const unsigned char* block, const TFrameBitmapLayout& layout)
{
    std::array<unsigned char, kPixelDataOffset> headers {};
    headers[0] = 'B';
    headers[1] = 'M';
    PutLe32(&headers[2], layout.ImageSize + kPixelDataOffset);
    PutLe16(&headers[6], 0);
    PutLe16(&headers[8], 0);
    PutLe32(&headers[10], kPixelDataOffset);
    std::memcpy(
        &headers[kFileHeaderSize], block + frameblock::kBitmapHeaderOffset, frameblock::kBitmapHeaderSize);
    if (!WriteAll(fd, headers.data(), headers.size()))
        return false;
    if (layout.RowBytes == layout.RowStride) // packed rows: one write
        return WriteAll(fd, block, std::size_t { layout.RowBytes } * layout.RowCount);
    for (uint32_t row = 0; row < layout.RowCount; ++row) {
        if (!WriteAll(fd, block + row * layout.RowStride, layout.RowBytes))
            return false;
    }
    return true;
}

} // namespace

std::optional<TFrameBitmapLayout> FrameBitmapLayout(int32_t width, int32_t height, uint32_t bitCount)
{
    if (width < 0 || height < 0)
        return std::nullopt;
    // Wide arithmetic: the words come from another process and may be anything.
    const unsigned __int128 imageSize
        = static_cast<unsigned __int128>(width) * static_cast<uint32_t>(height) * bitCount / 8;
    if (imageSize > frameblock::kPixelAreaSize)
        return std::nullopt;
    TFrameBitmapLayout layout { static_cast<uint32_t>(imageSize), static_cast<uint32_t>(height), 0,
        static_cast<std::size_t>(width) * 3 };
    if (height == 0)
        return layout;
    layout.RowBytes = layout.ImageSize / layout.RowCount;
    const uint64_t lastRowEnd = uint64_t { layout.RowCount - 1 } * layout.RowStride + layout.RowBytes;
    if (lastRowEnd > frameblock::kPixelAreaSize)
        return std::nullopt;
    return layout;
}

bool WriteFrameBitmap(const unsigned char* block, const QString& fileName)
{
    if (!block)
        return false;
    const auto layout
        = FrameBitmapLayout(static_cast<int32_t>(frameblock::LoadWord(block, frameblock::kWidthOffset)),
            static_cast<int32_t>(frameblock::LoadWord(block, frameblock::kHeightOffset)),
            frameblock::LoadWord(block, frameblock::kBitCountOffset));
    if (!layout)
        return false;
    const QByteArray path = QFile::encodeName(fileName);
    // A link at the name is replaced by a file of its own, never followed.
    int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno == ELOOP && ::unlink(path.constData()) == 0)
        fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = WriteBitmap(fd, block, *layout);
    const bool closed = ::close(fd) == 0;
    if (written && closed)
        return true;
    ::unlink(path.constData());
    return false;
}
