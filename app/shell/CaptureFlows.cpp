// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/CaptureFlows.h"

#include "camera/CamControllerUnit.h"
#include "camera/CamViewFrm.h"
#include "camera/Snapwell.h"
#include "camera/VideoFormatTable.h"
#include "core/CodeSiteHelperUnit.h"
#include "core/LanguageTexts.h"
#include "core/PlainText.h"
#include "gallery/MediaStore.h"
#include "gallery/PhotosFrm.h"
#include "gallery/TempFolder.h"
#include "gallery/VideosFrm.h"
#include "shell/CompanionWindows.h"
#include "shell/ShellLogging.h"
#include "widgets/ImageButton.h"
#include "widgets/StatusLine.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <utility>

// Flipped by every blink tick and never reset, so that a later recording
// continues the phase where the last one stopped.
static bool RecordBlink = false;

TCaptureFlows::TCaptureFlows(TParts parts, const TCompanionWindows& windows)
    : FParts(std::move(parts))
    , FWindows(windows)
{
}

bool TCaptureFlows::ExplainCaptureFailure()
{
    if (!FrameMapsReady())
        FParts.ShowInfo(LanguageText(QStringLiteral("FrameMapsMsg"), FrameMapsFolder()));
    else if (!PrepareTempFolder())
        FParts.ShowInfo(LanguageTexts[QStringLiteral("TempFolderMsg")]);
    else
        return false;
    return true;
}

void TCaptureFlows::ShowVideoCount()
{
    FParts.Status->ShowStatus(LanguageText(QStringLiteral("VideoStatus"), FWindows.Videos()->VideoCount()));
}

void TCaptureFlows::ProcessSnapshot()
{
    if (!CamController->WindowOpen())
        return;
    // A frame that could not be taken adds no photo (the picture held would
    // be the previous one) and leaves the status line alone.
    if (!CamController->TakeSnapshot()) {
        if (!ExplainCaptureFailure() && CamController->SnapshotWriteFailed())
            FParts.ShowInfo(LanguageTexts[QStringLiteral("SnapshotFailedMsg")]);
        return;
    }
    TCodeSiteHelper trace(lcShell(), "ProcessSnapshot");
    FWindows.Photos()->AddImage(CamController->SnapshotImage());
    FParts.UpdatePhotoButton();
    FParts.Status->ShowStatus(
        LanguageText(QStringLiteral("SnapshotStatus"), FWindows.Photos()->ImageCount()));
    // The shutter is seen once the photo is taken; its moment is timed from here.
    if (FParts.FlashItem->isChecked())
        FWindows.CamView()->FlashShutter();
}

void TCaptureFlows::ProcessRecord()
{
    TVideosForm* videos = FWindows.Videos();
    if (CamController->Recording()) {
        CamController->StopRecording();
        FSleepInhibitor.Release();
        videos->SetInputEnabled(true);
        FParts.BlinkTimer->stop();
        FParts.RecordButton->setChecked(false);
        FParts.SetCaptureButtonsEnabled(true);
        // A clip the camera sent no picture for is no clip: it is neither
        // listed nor saved, and the user is told why.
        const bool empty = QFileInfo(FRecordingFile).size() == 0;
        if (empty) {
            qCWarning(lcShell, "the camera sent no picture for %s", qPrintable(FRecordingFile));
            videos->DiscardVideo(FRecordingFile);
            FParts.UpdateVideoButton();
        }
        ShowVideoCount();
        FParts.SetPictureSizeEnabled(true);
        if (empty && !FParts.IsClosing())
            FParts.ShowInfo(LanguageTexts[QStringLiteral("NoPictureMsg")]);
        return;
    }
    ChooseRecordingType();
    if (FParts.IsClosing()) // closed, or closing, while its question was asked
        return;
    // The frame at the start is the clip's thumbnail; never a stale one.
    const bool taken = CamController->TakeSnapshot();
    TCodeSiteHelper trace(lcShell(), "ProcessRecord");
    const QImage thumbnail = taken ? CamController->SnapshotImage().copy() : QImage();
    const QString fileName = videos->MakeClipFileName();
    DropLinkAt(fileName);
    if (CamController->StartRecording(fileName)) {
        FSleepInhibitor.Hold();
        FRecordingFile = fileName;
        videos->AddVideo(fileName, thumbnail, FWindows.CamView()->ViewFormat());
        FParts.UpdateVideoButton();
        videos->SetInputEnabled(false);
        FParts.BlinkTimer->start();
        FParts.RecordButton->setChecked(true);
        FParts.SetCaptureButtonsEnabled(false);
        FParts.Status->ShowStatus(LanguageTexts[QStringLiteral("Recoding")]);
    } else {
        // Nothing records: the size menu must not stay locked, and the user
        // learns why even when the folders are fine (the clip's name taken).
        FParts.SetPictureSizeEnabled(true);
        if (!ExplainCaptureFailure() && !FParts.IsClosing())
            FParts.ShowInfo(LanguageTexts[QStringLiteral("RecordStartFailedMsg")]);
    }
}

void TCaptureFlows::PrimeCapture()
{
    if (CamController->Recording())
        return;
    ChooseRecordingType();
    if (FParts.IsClosing()) // closed, or closing, while its question was asked
        return;
    TCodeSiteHelper trace(lcShell(), "ProcessRecord");
    // The sample of an earlier start is in the way: the recording creates
    // its file and never writes over one.
    const QString sample = TempFolder() + QStringLiteral("/sample");
    DropFileAt(sample);
    if (CamController->StartRecording(sample))
        CamController->StopRecording();
    // Without the warm-up (no usable Temp folder) the picture still shows.
    FWindows.CamView()->ShowView();
}

void TCaptureFlows::RecordingEndedByItself(bool failed)
{
    if (!CamController->Recording())
        return;
    const QString clip = FRecordingFile;
    ProcessRecord();
    // An empty clip is gone already, with its own message.
    if (!failed || !FWindows.Videos()->FileNames().contains(clip))
        return;
    // A file that could not be written is not a clip: it never was finished.
    FWindows.Videos()->DiscardVideo(clip);
    FParts.UpdateVideoButton();
    ShowVideoCount();
    FParts.ShowInfo(LanguageTexts[QStringLiteral("RecordFailedMsg")]);
}

void TCaptureFlows::ChooseRecordingType()
{
    if (!FParts.UncompressedAviItem->isChecked()) {
        SetRecordingType(FParts.CheckedCompressedType());
        return;
    }
    if (!IsLargeVideoFormat(FWindows.CamView()->ViewFormat()))
        return;
    // A plain Yes/No box, without an icon.
    FAviAnswer
        = ShowPlainMessage(FParts.Window, QMessageBox::NoIcon, LanguageTexts[QStringLiteral("InfomationMsg")],
              LanguageTexts[QStringLiteral("WarningMsg")], QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes
        ? AnswerYes
        : AnswerNo;
    SetRecordingType(FAviAnswer == AnswerYes ? TCamController::VideoTypeAsf : TCamController::VideoTypeAvi);
}

void TCaptureFlows::SetRecordingType(int32_t type)
{
    if (QAction* old = FParts.FileTypeItem(CamController->VideoType()))
        old->setChecked(false);
    CamController->SetVideoType(type);
    if (QAction* now = FParts.FileTypeItem(CamController->VideoType()))
        now->setChecked(true);
}

void TCaptureFlows::Blink()
{
    RecordBlink = !RecordBlink;
    FParts.RecordButton->SetPicture(RecordBlink ? QPixmap() : FParts.RecordButton->PictureDown());
}
