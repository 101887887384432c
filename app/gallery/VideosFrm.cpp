// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/VideosFrm.h"

#include "camera/CamControllerUnit.h"
#include "core/CodeSiteHelperUnit.h"
#include "core/LanguageTexts.h"
#include "core/PlainText.h"
#include "core/ProductTitle.h"
#include "gallery/ClipCopy.h"
#include "gallery/ClipPlayer.h"
#include "gallery/GalleryLogging.h"
#include "gallery/MailComposerLink.h"
#include "gallery/MediaStore.h"
#include "gallery/SaveLocation.h"
#include "gallery/ThumbnailStrip.h"

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsAviClip(const QString& fileName) { return ClipExtensionOf(fileName) == QLatin1String("avi"); }

// The save dialog's filter for a clip of the extension, in the user's language.
QString ClipSaveFilter(const QString& extension)
{
    if (extension == QLatin1String("avi"))
        return LanguageTexts[QStringLiteral("AviFileFilter")] + QStringLiteral("(*.avi)");
    if (extension == QLatin1String("mp4"))
        return LanguageTexts[QStringLiteral("Mp4FileFilter")] + QStringLiteral(" (*.mp4)");
    if (extension == QLatin1String("webm"))
        return LanguageTexts[QStringLiteral("WebmFileFilter")] + QStringLiteral(" (*.webm)");
    return LanguageTexts[QStringLiteral("WmvFileFilter")] + QStringLiteral("(*.wmv)");
}

} // namespace

TVideosForm::TVideosForm(QWidget* parent)
    : TGalleryForm(QStringLiteral("videos_back.png"), "VideosFrm.cpp", 249, QString(),
        QStringLiteral("videos_play_down.png"), parent)
{
    setWindowTitle(QStringLiteral("Videos"));
    SetStripCaption(QStringLiteral("Video List"));
}

TVideosForm::~TVideosForm()
{
    // Clips are working files: none outlives the run. A file that cannot be
    // deleted is passed over.
    for (const QString& fileName : FFileNames) {
        if (!FLeftInTemp.contains(fileName))
            QFile::remove(fileName);
        UnlockClip(fileName);
    }
}

QString TVideosForm::MakeClipFileName() const
{
    const int videoType = CamController ? CamController->VideoType() : TCamController::VideoTypeAsf;
    // A recording creates its file and fails on a name that is taken: a clip
    // left from another day at the same moment of the day, or anything else
    // there, moves the name on by a millisecond.
    QTime moment = QTime::currentTime();
    QString name = ClipFileName(BaseFolder(), videoType, moment, LocaleDecimalSeparator());
    struct stat info { };
    for (int tries = 0; tries < 1000 && ::lstat(QFile::encodeName(name).constData(), &info) == 0; ++tries) {
        moment = moment.addMSecs(1);
        name = ClipFileName(BaseFolder(), videoType, moment, LocaleDecimalSeparator());
    }
    return name;
}

int TVideosForm::AddVideo(const QString& fileName, const QImage& thumbnail, uint8_t viewFormat)
{
    const int index = Strip()->Add(thumbnail);
    FFileNames.append(fileName);
    FViewFormats.append(viewFormat);
    LockClip(fileName);
    show();
    return index;
}

int TVideosForm::VideoCount() const { return Strip()->Count(); }

QString TVideosForm::FocusedFileName() const
{
    return VideoCount() > 0 ? FFileNames.at(Strip()->FocusedIndex()) : QString();
}

void TVideosForm::SetInputEnabled(bool enabled) { FInputEnabled = enabled; }

bool TVideosForm::IsDragPoint(const QPoint& windowPos) const
{
    if (FInputEnabled)
        return TGalleryForm::IsDragPoint(windowPos);
    return !Strip()->InViewport(windowPos);
}

void TVideosForm::DeleteFocusedVideo()
{
    const int index = Strip()->DeleteFocused();
    if (index < 0)
        return;
    const QString fileName = FFileNames.takeAt(index);
    QFile::remove(fileName);
    UnlockClip(fileName);
    FViewFormats.removeAt(index);
}

void TVideosForm::LockClip(const QString& fileName)
{
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return;
    }
    FClipLocks.insert(fileName, fd);
}

void TVideosForm::UnlockClip(const QString& fileName)
{
    if (const auto lock = FClipLocks.constFind(fileName); lock != FClipLocks.constEnd()) {
        ::close(*lock);
        FClipLocks.erase(lock);
    }
}

void TVideosForm::DiscardVideo(const QString& fileName)
{
    const int index = FFileNames.indexOf(fileName);
    if (index < 0)
        return;
    const int focused = Strip()->FocusedIndex();
    Strip()->SetFocusIndex(index);
    DeleteFocusedVideo();
    if (focused >= 0 && focused != index && Strip()->Count() > 0)
        Strip()->SetFocusIndex(focused > index ? focused - 1 : focused);
}

void TVideosForm::actDeleteExecute()
{
    DeleteFocusedVideo();
    emit statusText(LanguageText(QStringLiteral("VideoStatus"), VideoCount()));
}

void TVideosForm::actPlayExecute()
{
    if (VideoCount() == 0)
        return;
    if (!OpenWithDesktopProgram(FocusedFileName()))
        ShowPlainMessage(
            this, QMessageBox::Information, ProductTitle(), LanguageTexts[QStringLiteral("NoPlayerMsg")]);
}

int TVideosForm::UnsavedCount() const { return Strip()->UnkeptCount(); }

void TVideosForm::actSaveExecute()
{
    TThumbnail* clip = Strip()->FocusedItem();
    if (!clip)
        return;
    const QString extension = ClipExtensionOf(FocusedFileName());
    const QString path = AskSaveName(SaveFolder(TMediaKind::Clip),
        SuggestedFileName(clip->CapturedAt(), extension), ClipSaveFilter(extension), extension);
    if (path.isEmpty())
        return;
    if (CopyClipTo(path, false)) {
        clip->SetKept();
        RememberSaveFolder(TMediaKind::Clip, path);
    }
}

bool TVideosForm::CopyClipTo(const QString& destination, bool replaceSilently)
{
    if (VideoCount() == 0)
        return false;
    return CopyFileWithProgress(FocusedFileName(), destination, replaceSilently, this);
}

void TVideosForm::actEmailExecute()
{
    if (VideoCount() == 0)
        return;
    if (ComposerBusy())
        return;
    const QString input = FocusedFileName();
    if (!IsAviClip(input)) {
        // An MP4 or WebM clip goes as it is, under its own extension.
        const QString destination = ClipAttachmentName(BaseFolder(), ClipExtensionOf(input));
        // A failed copy must not send an earlier clip's attachment instead.
        if (CopyClipTo(destination, true)) {
            Strip()->FocusedItem()->SetKept();
            MailComposerOpenWithAttachment(destination);
        }
        return;
    }
    if (FConverting)
        return;
    FConverting = true;
    Strip()->FocusedItem()->SetKept();
    const uint8_t viewFormat = FViewFormats.at(Strip()->FocusedIndex());
    const QString profile = ProgramFolder()
        + (viewFormat != 0 ? QStringLiteral("VGA_local.prx") : QStringLiteral("SIF_local.prx"));
    const QString output = ClipAttachmentName(BaseFolder());
    FConvertedFileName = output;
    TCodeSiteHelper trace(lcGallery(), "EmailExecute");
    // An argument list: no shell ever sees the paths, whatever they hold.
    const QStringList arguments { QStringLiteral("-i"), input, QStringLiteral("-o"), output,
        QStringLiteral("-pf"), profile };
    FConverterPid = 0;
    if (!QProcess::startDetached(ConverterProgram(), arguments, QString(), &FConverterPid)) {
        qCWarning(lcGallery, "cannot start the converter %s", qPrintable(ConverterProgram()));
        FConverting = false; // no end report will ever come
    } else {
        qCDebug(
            lcGallery, "converting %s to %s, pid %lld", qPrintable(input), qPrintable(output), FConverterPid);
    }
}

void TVideosForm::ConversionFinished()
{
    MailComposerOpenWithAttachment(FConvertedFileName);
    FConverting = false;
}

void TVideosForm::ConversionEnded(bool complete)
{
    if (complete)
        ConversionFinished();
    else
        FConverting = false;
}
