// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/TempFolder.h"

#include "gallery/MediaStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sys/stat.h>
#include <unistd.h>

bool PrepareTempFolder()
{
    const QString folder = TempFolder();
    // Made private: only the user writes here.
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        ::chmod(QFile::encodeName(folder).constData(), 0700);
    // Only a file actually made there proves it: permissions, a read-only
    // mount and a full disk all show here.
    QTemporaryFile probe(folder + QStringLiteral("/.glimview-probe-XXXXXX"));
    return probe.open();
}

void DropLinkAt(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info { };
    if (::lstat(name.constData(), &info) == 0 && S_ISLNK(info.st_mode))
        ::unlink(name.constData());
}

void DropFileAt(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info { };
    if (::lstat(name.constData(), &info) == 0 && !S_ISDIR(info.st_mode))
        ::unlink(name.constData());
}
