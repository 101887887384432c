// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/WorkingFolder.h"

#include "core/CoreLogging.h"

#include <QDir>
#include <QFile>

#include <climits>
#include <fcntl.h>
#include <unistd.h>

QString WorkingFolderPath()
{
    char bytes[PATH_MAX];
    if (!::getcwd(bytes, sizeof bytes))
        return QDir::currentPath();
    const QString path = QFile::decodeName(bytes);
    if (QFile::encodeName(path) == QByteArray(bytes))
        return path;
    // Opened once and held for the process's life: the path stays valid.
    static const int folder = ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return path;
    qCInfo(lcCore, "the working folder's name is not UTF-8; using it through descriptor %d", folder);
    return QStringLiteral("/proc/%1/fd/%2").arg(::getpid()).arg(folder);
}
