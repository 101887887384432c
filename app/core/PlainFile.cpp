// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/PlainFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::optional<QByteArray> ReadPlainFile(const QString& path, qint64 maxSize, bool& missing, QString* why)
{
    missing = false;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        missing = errno == ENOENT;
        *why = QStringLiteral("cannot be read: ") + QString::fromLocal8Bit(std::strerror(errno));
        return std::nullopt;
    }
    struct stat info { };
    std::optional<QByteArray> contents;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *why = QStringLiteral("not a regular file");
    } else if (info.st_size > maxSize) {
        *why = QStringLiteral("larger than %1 bytes").arg(maxSize);
    } else {
        QFile file;
        if (file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
            QByteArray bytes = file.read(maxSize + 1);
            if (file.error() == QFileDevice::NoError && bytes.size() <= maxSize)
                contents = std::move(bytes);
            else
                *why = QStringLiteral("cannot be read: ") + file.errorString();
        } else {
            *why = QStringLiteral("cannot be read: ") + file.errorString();
        }
    }
    ::close(fd);
    return contents;
}
