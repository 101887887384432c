// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/SaveAll.h"

#include "core/LanguageTexts.h"
#include "core/PlainText.h"
#include "core/ProductTitle.h"
#include "gallery/ClipCopy.h"
#include "gallery/GalleryLogging.h"
#include "gallery/JpegWriter.h"
#include "gallery/MediaStore.h"
#include "gallery/PhotosFrm.h"
#include "gallery/SaveLocation.h"
#include "gallery/ThumbnailStrip.h"
#include "gallery/VideosFrm.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include <exception>
#include <functional>

namespace {

bool SavePhotos(TPhotosForm& photos, const QString& folder)
{
    TThumbnailStrip& strip = *photos.Strip();
    for (int i = 0; i < strip.Count(); ++i) {
        TThumbnail* photo = strip.Item(i);
        if (photo->Kept())
            continue;
        const QString path = UniqueSuggestedPath(folder, photo->CapturedAt(), QStringLiteral("jpg"));
        try {
            SaveBitmapAsJpeg(photo->Picture(), path, TReplace::No); // a fresh unique name
        } catch (const std::exception& error) {
            qCWarning(lcGallery, "save all: %s", error.what());
            return false;
        }
        photo->SetKept();
    }
    return true;
}

bool SaveClips(TVideosForm& videos, const QString& folder)
{
    TThumbnailStrip& strip = *videos.Strip();
    for (int i = 0; i < strip.Count(); ++i) {
        TThumbnail* clip = strip.Item(i);
        if (clip->Kept())
            continue;
        const QString source = videos.FileNames().value(i);
        const QString path = UniqueSuggestedPath(folder, clip->CapturedAt(), ClipExtensionOf(source));
        if (!CopyFileWithProgress(source, path, false, &videos))
            return false;
        clip->SetKept();
    }
    return true;
}

} // namespace

bool SaveAllUnsaved(TPhotosForm& photos, TVideosForm& videos, QWidget* owner)
{
    struct Step {
        TMediaKind kind;
        int unsaved;
        std::function<bool(const QString&)> save;
    };
    const Step steps[] = {
        { TMediaKind::Photo, photos.UnsavedCount(), [&](const QString& f) { return SavePhotos(photos, f); } },
        { TMediaKind::Clip, videos.UnsavedCount(), [&](const QString& f) { return SaveClips(videos, f); } },
    };
    for (const Step& step : steps) {
        if (step.unsaved == 0)
            continue;
        const QString folder = StandardSaveFolder(step.kind);
        // Asked before the first file, so that a folder that cannot take any
        // file gives the one message below rather than a failed copy's own.
        if (!FolderTakesFiles(folder) || !step.save(folder)) {
            ShowPlainMessage(owner, QMessageBox::Warning, ProductTitle(),
                LanguageText(QStringLiteral("SaveAllFailedMsg"), QDir::toNativeSeparators(folder)));
            return false;
        }
    }
    return true;
}
