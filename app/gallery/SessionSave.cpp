// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/SessionSave.h"

#include "core/LanguageTexts.h"
#include "core/SettingsStore.h"
#include "gallery/GalleryLogging.h"
#include "gallery/JpegWriter.h"
#include "gallery/MediaStore.h"
#include "gallery/PhotosFrm.h"
#include "gallery/SafeSave.h"
#include "gallery/SaveLocation.h"
#include "gallery/ThumbnailStrip.h"
#include "gallery/VideosFrm.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString NoteSection = QStringLiteral("SessionEnd");
const QString SavedInKey = QStringLiteral("SavedIn");

// Photos kept in Temp carry the moment they were taken in their names, for
// the name they get when they are brought over.
const QString TempPhotoPrefix = QStringLiteral("GLV_photo_");
const QString TempPhotoTime = QStringLiteral("yyyy-MM-dd HH-mm-ss");

bool SavePhoto(const QImage& picture, const QString& path)
{
    try {
        SaveBitmapAsJpeg(picture, path, TReplace::No);
        return true;
    } catch (const std::exception& error) {
        qCWarning(lcGallery, "session end: %s", error.what());
        return false;
    }
}

// Into the folder under a fresh name: moved when it is on the same file
// system, else copied and the original removed.
bool MoveFileTo(const QString& source, const QString& path)
{
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(path);
    // link() never replaces: the fresh name stays the clip's own.
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return true;
    }
    if (errno != EXDEV)
        return false;
    QFile input(source);
    TSafeSave output(path);
    if (!input.open(QIODevice::ReadOnly) || !output.Open(false))
        return false;
    while (!input.atEnd()) {
        const QByteArray data = input.read(1 << 20);
        if ((data.isEmpty() && input.error() != QFile::NoError)
            || !output.Write(data.constData(), data.size()))
            return false;
    }
    if (!output.Commit())
        return false;
    ::unlink(from.constData());
    return true;
}

// The pictures or videos folder when it takes files, else empty.
QString SaveFolderFor(TMediaKind kind)
{
    const QString folder = StandardSaveFolder(kind);
    return FolderTakesFiles(folder) ? folder : QString();
}

void NoteWhereTheyWent(const QStringList& folders)
{
    if (!SettingsStore || folders.isEmpty())
        return;
    QStringList known
        = SettingsStore->ReadString(NoteSection, SavedInKey, QString()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString& folder : folders)
        if (!known.contains(folder))
            known.append(folder);
    SettingsStore->WriteString(NoteSection, SavedInKey, known.join(u'\n'));
}

} // namespace

void SaveUnsavedForSessionEnd(TPhotosForm& photos, TVideosForm& videos)
{
    QStringList savedIn;
    TThumbnailStrip& photoStrip = *photos.Strip();
    const QString pictures = photos.UnsavedCount() > 0 ? SaveFolderFor(TMediaKind::Photo) : QString();
    for (int i = 0; i < photoStrip.Count(); ++i) {
        TThumbnail* photo = photoStrip.Item(i);
        if (photo->Kept())
            continue;
        if (!pictures.isEmpty()
            && SavePhoto(photo->Picture(),
                UniqueSuggestedPath(pictures, photo->CapturedAt(), QStringLiteral("jpg")))) {
            if (!savedIn.contains(pictures))
                savedIn.append(pictures);
        } else {
            const QString stem = TempPhotoPrefix + photo->CapturedAt().toString(TempPhotoTime);
            if (!SavePhoto(photo->Picture(), UniquePath(TempFolder(), stem, QStringLiteral("jpg"))))
                continue; // nowhere to write it: the photo cannot be kept
            qCWarning(
                lcGallery, "session end: a photo is kept in %s for the next start", qPrintable(TempFolder()));
        }
        photo->SetKept();
    }

    TThumbnailStrip& clipStrip = *videos.Strip();
    const QString videosFolder = videos.UnsavedCount() > 0 ? SaveFolderFor(TMediaKind::Clip) : QString();
    QStringList leftInTemp;
    for (int i = 0; i < clipStrip.Count(); ++i) {
        TThumbnail* clip = clipStrip.Item(i);
        if (clip->Kept())
            continue;
        const QString source = videos.FileNames().value(i);
        const QString extension = ClipExtensionOf(source);
        if (!videosFolder.isEmpty()
            && MoveFileTo(source, UniqueSuggestedPath(videosFolder, clip->CapturedAt(), extension))) {
            if (!savedIn.contains(videosFolder))
                savedIn.append(videosFolder);
        } else {
            qCWarning(lcGallery, "session end: %s stays in Temp for the next start", qPrintable(source));
            leftInTemp.append(source);
        }
        clip->SetKept();
    }
    for (const QString& clip : leftInTemp)
        videos.LeaveInTemp(clip);
    NoteWhereTheyWent(savedIn);
}

QStringList PhotosLeftInTemp(const QString& tempFolder)
{
    QStringList photos;
    const auto found = QDir(tempFolder)
                           .entryInfoList({ TempPhotoPrefix + QStringLiteral("*.jpg") },
                               QDir::Files | QDir::NoSymLinks | QDir::Hidden, QDir::Name);
    for (const QFileInfo& photo : found)
        if (photo.ownerId() == ::getuid()) // another account's file is not ours to move
            photos.append(photo.absoluteFilePath());
    return photos;
}

QString BringOverLastSessionsCaptures(const QString& tempFolder)
{
    QStringList savedIn;
    if (SettingsStore) {
        savedIn
            = SettingsStore->ReadString(NoteSection, SavedInKey, QString()).split(u'\n', Qt::SkipEmptyParts);
        SettingsStore->RemoveValue(NoteSection, SavedInKey);
    }
    const QStringList photos = PhotosLeftInTemp(tempFolder);
    const QString pictures = photos.isEmpty() ? QString() : SaveFolderFor(TMediaKind::Photo);
    for (const QString& photo : photos) {
        if (pictures.isEmpty())
            break; // they stay for a later start
        const QString stem = QFileInfo(photo).completeBaseName().mid(TempPhotoPrefix.size());
        const QDateTime takenAt = QDateTime::fromString(stem.left(TempPhotoTime.size()), TempPhotoTime);
        const QString path = takenAt.isValid()
            ? UniqueSuggestedPath(pictures, takenAt, QStringLiteral("jpg"))
            : UniquePath(pictures, QStringLiteral("Glimview"), QStringLiteral("jpg"));
        if (!MoveFileTo(photo, path))
            continue;
        if (!savedIn.contains(pictures))
            savedIn.append(pictures);
    }
    if (savedIn.isEmpty())
        return {};
    QStringList shown;
    for (const QString& folder : savedIn)
        shown.append(QDir::toNativeSeparators(folder));
    return LanguageText(QStringLiteral("SessionSavedMsg"), shown.join(QStringLiteral(", ")));
}
