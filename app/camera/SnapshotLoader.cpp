// SPDX-License-Identifier: GPL-2.0-or-later
#include "camera/SnapshotLoader.h"

#include "filter/frameblock.h"

#include <QFile>
#include <QImage>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kPixelDataOffset = kFileHeaderSize + sizeof(frameblock::BitmapInfoHeader);

class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd)
        : FFd(fd)
    {
    }
    ~TFileDescriptor()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    int Get() const { return FFd; }

private:
    int FFd;
};

// Reads the file's rows, last row of the picture first, into the picture's
// scan lines in as few calls as the system allows.
bool ReadRowsBottomUp(int fd, QImage& picture, std::size_t rowBytes)
{
    std::vector<iovec> rows(static_cast<std::size_t>(picture.height()));
    for (std::size_t r = 0; r < rows.size(); ++r)
        rows[r] = { picture.scanLine(picture.height() - 1 - static_cast<int>(r)), rowBytes };
    for (std::size_t first = 0; first < rows.size();) {
        const int count = static_cast<int>(std::min<std::size_t>(IOV_MAX, rows.size() - first));
        ssize_t got = ::readv(fd, &rows[first], count);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        // A short read may end inside a row: finish that row and go on.
        while (first < rows.size() && static_cast<std::size_t>(got) >= rows[first].iov_len)
            got -= static_cast<ssize_t>(rows[first++].iov_len);
        if (got > 0) {
            rows[first].iov_base = static_cast<unsigned char*>(rows[first].iov_base) + got;
            rows[first].iov_len -= static_cast<std::size_t>(got);
        }
    }
    return true;
}

// The file as the controller writes it: 24-bit, uncompressed, bottom-up,
// rows a multiple of 4 bytes, nothing between or after the headers and rows.
bool IsPlainBitmap(const unsigned char* headers, off_t fileSize, const frameblock::BitmapInfoHeader& info)
{
    if (headers[0] != 'B' || headers[1] != 'M')
        return false;
    uint32_t offset;
    std::memcpy(&offset, headers + 10, sizeof offset);
    if (offset != kPixelDataOffset || info.biSize != sizeof info || info.biBitCount != 24
        || info.biCompression != frameblock::kBiRgb || info.biPlanes != 1)
        return false;
    if (info.biWidth <= 0 || info.biHeight <= 0 || info.biWidth > 65535 || info.biHeight > 65535)
        return false;
    const auto rowBytes = static_cast<off_t>(info.biWidth) * 3;
    return rowBytes % 4 == 0 && fileSize == static_cast<off_t>(kPixelDataOffset) + rowBytes * info.biHeight;
}

QImage ReadPlainBitmap(const QString& fileName)
{
    const TFileDescriptor file(::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC));
    struct stat st { };
    unsigned char headers[kPixelDataOffset];
    if (file.Get() < 0 || ::fstat(file.Get(), &st) != 0
        || ::read(file.Get(), headers, sizeof headers) != sizeof headers)
        return {};
    frameblock::BitmapInfoHeader info;
    std::memcpy(&info, headers + kFileHeaderSize, sizeof info);
    if (!IsPlainBitmap(headers, st.st_size, info))
        return {};
    // BMP keeps blue, green, red in that order: the picture's own byte order.
    QImage picture(info.biWidth, info.biHeight, QImage::Format_BGR888);
    if (picture.isNull()
        || !ReadRowsBottomUp(file.Get(), picture, static_cast<std::size_t>(info.biWidth) * 3))
        return {};
    return picture;
}

} // namespace

QImage LoadSnapshotPicture(const QString& fileName)
{
    QImage picture = ReadPlainBitmap(fileName);
    if (picture.isNull())
        picture.load(fileName);
    return picture;
}
