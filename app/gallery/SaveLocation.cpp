// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/SaveLocation.h"

#include "core/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString Section = QStringLiteral("SaveFolders");

QString KeyOf(TMediaKind kind)
{
    return kind == TMediaKind::Photo ? QStringLiteral("Photos") : QStringLiteral("Clips");
}

} // namespace

QString StandardSaveFolder(TMediaKind kind)
{
    const QString folder = QStandardPaths::writableLocation(
        kind == TMediaKind::Photo ? QStandardPaths::PicturesLocation : QStandardPaths::MoviesLocation);
    return folder.isEmpty() ? QDir::homePath() : folder;
}

bool EnsureFolder(const QString& folder) { return !folder.isEmpty() && QDir().mkpath(folder); }

bool FolderTakesFiles(const QString& folder)
{
    return EnsureFolder(folder) && QFileInfo(folder).isWritable();
}

QString SaveFolder(TMediaKind kind)
{
    if (SettingsStore) {
        const QString last = SettingsStore->ReadString(Section, KeyOf(kind), QString());
        if (!last.isEmpty() && QFileInfo(last).isDir())
            return last;
    }
    const QString folder = StandardSaveFolder(kind);
    EnsureFolder(folder);
    return folder;
}

void RememberSaveFolder(TMediaKind kind, const QString& savedFile)
{
    if (SettingsStore)
        SettingsStore->WriteString(Section, KeyOf(kind), QFileInfo(savedFile).absolutePath());
}

QString SuggestedFileName(const QDateTime& capturedAt, const QString& extension)
{
    return QStringLiteral("Glimview ") + capturedAt.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"))
        + QLatin1Char('.') + extension;
}

QString UniqueSuggestedPath(const QString& folder, const QDateTime& capturedAt, const QString& extension)
{
    return UniquePath(
        folder, SuggestedFileName(capturedAt, extension).chopped(extension.size() + 1), extension);
}

QString UniquePath(const QString& folder, const QString& stem, const QString& extension)
{
    const QDir dir(folder);
    QString path = dir.filePath(stem + QLatin1Char('.') + extension);
    // A dangling link counts as taken too: a file written there would land
    // wherever it points.
    for (int n = 2; QFileInfo(path).exists() || QFileInfo(path).isSymLink(); ++n)
        path = dir.filePath(QStringLiteral("%1 (%2).%3").arg(stem).arg(n).arg(extension));
    return path;
}
