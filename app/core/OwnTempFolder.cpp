// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/OwnTempFolder.h"

#include "core/CoreLogging.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString PrivateTempFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    const QString folder = state + QStringLiteral("/glimview/Temp");
    QDir().mkpath(folder);
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    return folder;
}

// Folders others could plant links in, or read: a link at the name (to
// wherever), or a folder of another account's or open to writing by others.
// Anything else at the name (nothing yet, a file) is the working folder's
// own problem, told as such when it cannot take files.
bool IsForeignFolder(const QString& folder)
{
    struct stat info { };
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0)
        return false;
    return S_ISLNK(info.st_mode) || (S_ISDIR(info.st_mode) && !IsOwnPrivateFolder(folder));
}

} // namespace

bool IsOwnPrivateFolder(const QString& folder)
{
    struct stat info { };
    return ::lstat(QFile::encodeName(folder).constData(), &info) == 0 && S_ISDIR(info.st_mode)
        && info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

QString OwnTempFolder(const QString& baseFolder)
{
    // Looked at every time: a Temp that becomes another's during the run
    // (a base folder others may write into lets them swap it) is left from
    // then on. The private one, once chosen, stays for the run.
    static QHash<QString, QString> privateFolders;
    if (const auto found = privateFolders.constFind(baseFolder); found != privateFolders.constEnd())
        return *found;
    const QString folder = baseFolder.endsWith(u'/') ? baseFolder + QStringLiteral("Temp")
                                                     : baseFolder + QStringLiteral("/Temp");
    if (!IsForeignFolder(folder))
        return folder;
    const QString own = PrivateTempFolder();
    qCWarning(lcCore,
        "%s is not a folder of this user's that only this user may write into; the working files go to %s",
        qPrintable(folder), qPrintable(own));
    privateFolders.insert(baseFolder, own);
    return own;
}
