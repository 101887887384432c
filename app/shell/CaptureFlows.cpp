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
#include "shell/MainFormControls.h"
#include "shell/MainFrm.h"
#include "shell/ShellLogging.h"
#include "widgets/ImageButton.h"
#include "widgets/StatusLine.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

// Flipped by every blink tick and never reset, so that a later recording
// continues the phase where the last one stopped.
static bool RecordBlink = false;

TCaptureFlows::TCaptureFlows(TMainForm& form, const TMainFormControls& ui)
    : FForm(form)
    , FUi(ui)
{
}

bool TCaptureFlows::ExplainCaptureFailure()
{
    if (!FrameMapsReady())
        FForm.ShowInfo(LanguageText(QStringLiteral("FrameMapsMsg"), FrameMapsFolder()));
    else if (!PrepareTempFolder())
        FForm.ShowInfo(LanguageTexts[QStringLiteral("TempFolderMsg")]);
    else
        return false;
    return true;
}

void TCaptureFlows::ShowVideoCount()
{
    FUi.lblStatus->ShowStatus(LanguageText(QStringLiteral("VideoStatus"), FForm.Videos()->VideoCount()));
}

void TCaptureFlows::ProcessSnapshot()
{
    if (!CamController->WindowOpen)
        return;
    // A frame that could not be taken adds no photo (the picture held would
    // be the previous one) and leaves the status line alone.
    if (!CamController->TakeSnapshot()) {
        if (!ExplainCaptureFailure() && CamController->SnapshotWriteFailed)
            FForm.ShowInfo(LanguageTexts[QStringLiteral("SnapshotFailedMsg")]);
        return;
    }
    TCodeSiteHelper trace(lcShell(), "ProcessSnapshot");
    FForm.Photos()->AddImage(CamController->SnapshotImage);
    FForm.UpdatePhotoButton();
    FUi.lblStatus->ShowStatus(LanguageText(QStringLiteral("SnapshotStatus"), FForm.Photos()->ImageCount()));
    // The shutter is seen once the photo is taken; its moment is timed from here.
    if (FUi.pmiFlash->isChecked())
        FForm.CamView()->FlashShutter();
}

void TCaptureFlows::ProcessRecord()
{
    TVideosForm* videos = FForm.Videos();
    if (CamController->Recording) {
        CamController->StopRecording();
        FSleepInhibitor.Release();
        videos->SetInputEnabled(true);
        FUi.tmRecord->stop();
        FUi.imgbRecord->SetChecked(false);
        FUi.SetCaptureButtonsEnabled(true);
        // A clip the camera sent no picture for is no clip: it is neither
        // listed nor saved, and the user is told why.
        const bool empty = QFileInfo(FRecordingFile).size() == 0;
        if (empty) {
            qCWarning(lcShell, "the camera sent no picture for %s", qPrintable(FRecordingFile));
            videos->DiscardVideo(FRecordingFile);
            FForm.UpdateVideoButton();
        }
        ShowVideoCount();
        FForm.PictureSizeSubmenuItem()->setEnabled(true);
        if (empty && !FForm.IsClosing())
            FForm.ShowInfo(LanguageTexts[QStringLiteral("NoPictureMsg")]);
        return;
    }
    ChooseRecordingType();
    if (FForm.IsClosing()) // closed, or closing, while its question was asked
        return;
    // The frame at the start is the clip's thumbnail; never a stale one.
    const bool taken = CamController->TakeSnapshot();
    TCodeSiteHelper trace(lcShell(), "ProcessRecord");
    const QImage thumbnail = taken ? CamController->SnapshotImage.copy() : QImage();
    const QString fileName = videos->MakeClipFileName();
    DropLinkAt(fileName);
    if (CamController->StartRecording(fileName)) {
        FSleepInhibitor.Hold();
        FRecordingFile = fileName;
        videos->AddVideo(fileName, thumbnail, FForm.CamView()->ViewFormat);
        FForm.UpdateVideoButton();
        videos->SetInputEnabled(false);
        FUi.tmRecord->start();
        FUi.imgbRecord->SetChecked(true);
        FUi.SetCaptureButtonsEnabled(false);
        FUi.lblStatus->ShowStatus(LanguageTexts[QStringLiteral("Recoding")]);
    } else {
        // Nothing records: the size menu must not stay locked, and the user
        // learns why even when the folders are fine (the clip's name taken).
        FForm.PictureSizeSubmenuItem()->setEnabled(true);
        if (!ExplainCaptureFailure() && !FForm.IsClosing())
            FForm.ShowInfo(LanguageTexts[QStringLiteral("RecordStartFailedMsg")]);
    }
}

void TCaptureFlows::PrimeCapture()
{
    if (CamController->Recording)
        return;
    ChooseRecordingType();
    if (FForm.IsClosing()) // closed, or closing, while its question was asked
        return;
    TCodeSiteHelper trace(lcShell(), "ProcessRecord");
    // The sample of an earlier start is in the way: the recording creates
    // its file and never writes over one.
    const QString sample = TempFolder() + QStringLiteral("/sample");
    DropFileAt(sample);
    if (CamController->StartRecording(sample))
        CamController->StopRecording();
    // Without the warm-up (no usable Temp folder) the picture still shows.
    FForm.CamView()->ShowView();
}

void TCaptureFlows::RecordingEndedByItself(bool failed)
{
    if (!CamController->Recording)
        return;
    const QString clip = FRecordingFile;
    ProcessRecord();
    // An empty clip is gone already, with its own message.
    if (!failed || !FForm.Videos()->FileNames().contains(clip))
        return;
    // A file that could not be written is not a clip: it never was finished.
    FForm.Videos()->DiscardVideo(clip);
    FForm.UpdateVideoButton();
    ShowVideoCount();
    FForm.ShowInfo(LanguageTexts[QStringLiteral("RecordFailedMsg")]);
}

void TCaptureFlows::ChooseRecordingType()
{
    if (!FUi.pmiUncompressedAVI->isChecked()) {
        SetRecordingType(FUi.CheckedCompressedType());
        return;
    }
    if (!IsLargeVideoFormat(FForm.CamView()->ViewFormat))
        return;
    // A plain Yes/No box, without an icon.
    FAviAnswer = ShowPlainMessage(&FForm, QMessageBox::NoIcon, LanguageTexts[QStringLiteral("InfomationMsg")],
                     LanguageTexts[QStringLiteral("WarningMsg")], QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes
        ? AnswerYes
        : AnswerNo;
    SetRecordingType(FAviAnswer == AnswerYes ? TCamController::VideoTypeAsf : TCamController::VideoTypeAvi);
}

void TCaptureFlows::SetRecordingType(int32_t type)
{
    if (QAction* old = FUi.FileTypeItem(CamController->VideoType))
        old->setChecked(false);
    CamController->SetVideoType(type);
    if (QAction* now = FUi.FileTypeItem(CamController->VideoType))
        now->setChecked(true);
}

void TCaptureFlows::Blink()
{
    RecordBlink = !RecordBlink;
    FUi.imgbRecord->SetPicture(RecordBlink ? QPixmap() : FUi.imgbRecord->PictureDown());
}
