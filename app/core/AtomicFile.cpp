// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/AtomicFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

bool WriteAll(int fd, const QByteArray& contents)
{
    const char* data = contents.constData();
    qsizetype left = contents.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

} // namespace

bool WriteFileAtomically(const QString& path, const QByteArray& contents, QString* error)
{
    const auto fail = [error](const char* step) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(
                QLatin1String(step), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    };
    // The temporary file sits beside the target: rename() is atomic only
    // within one file system.
    QByteArray tempPath = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkostemp(tempPath.data(), O_CLOEXEC);
    if (fd < 0)
        return fail("create a temporary file");
    if (!WriteAll(fd, contents) || ::fsync(fd) != 0) {
        const int saved = errno;
        ::close(fd);
        ::unlink(tempPath.constData());
        errno = saved;
        return fail("write the temporary file");
    }
    if (::close(fd) != 0) {
        ::unlink(tempPath.constData());
        return fail("close the temporary file");
    }
    if (::rename(tempPath.constData(), QFile::encodeName(path).constData()) != 0) {
        const int saved = errno;
        ::unlink(tempPath.constData());
        errno = saved;
        return fail("replace the file");
    }
    // The rename itself lives in the folder; sync it so it survives a crash.
    const int dirFd = ::open(
        QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}
