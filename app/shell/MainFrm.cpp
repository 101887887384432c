// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/MainFrm.h"

#include "camera/CamControllerUnit.h"
#include "camera/CamViewFrm.h"
#include "core/Assertion.h"
#include "core/ErrorGuard.h"
#include "core/KeyHint.h"
#include "core/LanguageTexts.h"
#include "core/ModalEnd.h"
#include "core/PlainText.h"
#include "core/ProductTitle.h"
#include "core/WorkingFolder.h"
#include "gallery/MediaStore.h"
#include "gallery/PhotosFrm.h"
#include "gallery/ProgressFrm.h"
#include "gallery/SessionSave.h"
#include "gallery/VideosFrm.h"
#include "shell/CaptureFlows.h"
#include "shell/CloseQuestion.h"
#include "shell/CompanionWindows.h"
#include "shell/DeviceMenus.h"
#include "shell/FocusReturn.h"
#include "shell/PanelKeys.h"
#include "shell/PictureOptions.h"
#include "shell/SnapshotCountdown.h"
#include "shell/StartupSequence.h"
#include "widgets/ImageButton.h"
#include "widgets/MagnetUnit.h"
#include "widgets/SkinMask.h"
#include "widgets/SkinnedWindowDrag.h"
#include "widgets/StatusLine.h"
#include "widgets/WindowAccessible.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

#include <utility>

TMainForm::TMainForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Tessaly"));
    // Hints show on hover whether the panel is the active window or not.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    InstallWindowAccessibility();
    new TFocusReturn(this);
    FScreenDepth = [this] { return TStartupSequence::ScreenDepthOf(this); };
    FStartupPause = TStartupSequence::ResponsivePause;
    CreateControls(this, FBackground);
    CreateMenus(this);
    FCompanions = std::make_unique<TCompanionWindows>();
    CreateCollaborators();
    ConnectControls();
    FormCreate();
}

TMainForm::~TMainForm()
{
    if (!FClosed)
        FormClose();
}

void TMainForm::CreateCollaborators()
{
    const TCompanionWindows& windows = *FCompanions;
    auto showInfo = [this](const QString& text) { ShowInfo(text); };
    auto isClosing = [this] { return IsClosing(); };
    auto fileTypeItem = [this](int32_t type) { return FileTypeItem(type); };
    auto checkDefaultSize = [this] { CheckSizeItem(pmiVGA); };
    FDeviceMenus = std::make_unique<TDeviceMenus>(
        TDeviceMenus::TParts { this, pmiVideoDevices, pmiAudioDevices, tmDeviceChange, checkDefaultSize },
        windows);
    FCapture = std::make_unique<TCaptureFlows>(
        TCaptureFlows::TParts {
            .Window = this,
            .RecordButton = imgbRecord,
            .Status = lblStatus,
            .BlinkTimer = tmRecord,
            .FlashItem = pmiFlash,
            .UncompressedAviItem = pmiUncompressedAVI,
            .FileTypeItem = fileTypeItem,
            .CheckedCompressedType = [this] { return CheckedCompressedType(); },
            .SetCaptureButtonsEnabled = [this](bool enabled) { SetCaptureButtonsEnabled(enabled); },
            .SetPictureSizeEnabled = [this](bool enabled) { FVideoFormatItem->setEnabled(enabled); },
            .UpdatePhotoButton = [this] { UpdatePhotoButton(); },
            .UpdateVideoButton = [this] { UpdateVideoButton(); },
            .ShowInfo = showInfo,
            .IsClosing = isClosing,
        },
        windows);
    FStartup = std::make_unique<TStartupSequence>(
        TStartupSequence::TParts {
            .Status = lblStatus,
            .StageTimer = tmSystem,
            .AsfItem = pmiASF,
            .FileTypeItem = fileTypeItem,
            .CheckDefaultSize = checkDefaultSize,
            .SetCameraButtonsVisible = [this](bool visible) { SetCameraButtonsVisible(visible); },
            .ScreenDepth = [this] { return FScreenDepth(); },
            .Pause = [this](int ms) { FStartupPause(ms); },
            .ShowInfo = showInfo,
            .IsClosing = isClosing,
        },
        windows, *FDeviceMenus, *FCapture);
    FPictureOptions = std::make_unique<TPictureOptions>(pmiMirror, pmiSelfTimerItems, pmiFlash);
    FCountdown = std::make_unique<TSnapshotCountdown>(lblStatus, windows, [this] { ProcessSnapshot(); });
}

void TMainForm::ConnectControls()
{
    connect(tmSystem, &QTimer::timeout, this, Guarded(this, &TMainForm::tmSystemTimer));
    connect(tmRecord, &QTimer::timeout, this, Guarded(this, &TMainForm::tmRecordTimer));
    connect(tmFormatChange, &QTimer::timeout, this, Guarded(this, &TMainForm::tmFormatChangeTimer));
    connect(tmDeviceChange, &QTimer::timeout, this, Guarded(this, &TMainForm::tmDeviceChangeTimer));

    connect(imgbHide, &TImageButton::clicked, this, Guarded(this, &TMainForm::imgbHideClick));
    connect(imgbClose, &TImageButton::clicked, this, Guarded(this, &TMainForm::imgbCloseClick));
    connect(imgbImage, &TImageButton::clicked, this, Guarded(this, &TMainForm::imgbImageClick));
    connect(imgbVideo, &TImageButton::clicked, this, Guarded(this, &TMainForm::imgbVideoClick));
    connect(imgbControl, &TImageButton::clicked, this, Guarded(this, &TMainForm::imgbControlClick));
    connect(imgbSnapshot, &TImageButton::clicked, this, Guarded(this, &TMainForm::imgbSnapshotClick));
    connect(imgbRecord, &TImageButton::clicked, this, Guarded(this, &TMainForm::imgbRecordClick));
    connect(imgbFormat, &TImageButton::mouseDown, this,
        Guarded([this](Qt::MouseButton, const QPoint& pos) { imgbFormatMouseDown(pos); }));
    // A mouse press opens the menu before any click; a key or a screen
    // reader clicks.
    connect(imgbFormat, &TImageButton::clicked, this,
        Guarded([this] { imgbFormatMouseDown(imgbFormat->rect().center()); }));
    // Any button opens the picture size menu here, the right one included.
    imgbFormat->setContextMenuPolicy(Qt::PreventContextMenu);

    connect(pmiBrightletViewer, &QAction::triggered, this, &TMainForm::aboutRequested);
    connect(pmiUncompressedAVI, &QAction::triggered, this,
        Guarded([this] { FCapture->SetRecordingType(TCamController::VideoTypeAvi); }));
    connect(pmiASF, &QAction::triggered, this,
        Guarded([this] { FCapture->SetRecordingType(TCamController::VideoTypeAsf); }));
    connect(pmiMP4, &QAction::triggered, this,
        Guarded([this] { FCapture->SetRecordingType(TCamController::VideoTypeMp4); }));
    connect(pmiWebM, &QAction::triggered, this,
        Guarded([this] { FCapture->SetRecordingType(TCamController::VideoTypeWebM); }));
    connect(pmiVideoFileFormat, &QMenu::aboutToShow, this, Guarded([this] { OfferEncodableFileTypes(); }));
    for (QAction* item : SizeItems())
        connect(item, &QAction::triggered, this,
            Guarded([this, item] { PictureSizeClick(item, item->data().value<uint8_t>()); }));
    connect(pmiFullScreen, &QAction::triggered, this, Guarded([this] { CamView()->EnterFullScreen(); }));
    connect(pmiMirror, &QAction::triggered, this, Guarded([this] { FPictureOptions->MirrorToggled(); }));
    connect(pmiSelfTimerItems, &QActionGroup::triggered, this,
        Guarded([this](QAction* item) { FPictureOptions->SelfTimerChosen(item); }));
    connect(pmiFlash, &QAction::triggered, this, Guarded([this] { FPictureOptions->FlashToggled(); }));
    connect(pmVideoFormat, &QMenu::aboutToHide, this, Guarded(this, &TMainForm::pmVideoFormatHide));
    connect(FDeviceMenus->VideoItems(), &QActionGroup::triggered, this,
        Guarded(this, &TMainForm::pmiChooseVideoDevice));
    connect(FDeviceMenus->AudioItems(), &QActionGroup::triggered, this,
        Guarded(this, &TMainForm::pmiChooseAudioDevice));
}

void TMainForm::FormCreate()
{
    FitToSkin();
    PlaceCompanionWindows();
    CamController->SetWindows(static_cast<uintptr_t>(winId()), CamView()->ViewHandle());
    ConnectCameraNotices();
    SetUpWindowDrag();
    LoadLanguage();
    ApplyLanguageTexts();
    AddPictureSizeSubmenu();
    InstallPanelKeys(TPanelKeyTargets {
                         .Panel = this,
                         .SnapshotButton = imgbSnapshot,
                         .RecordButton = imgbRecord,
                         .PhotoGalleryButton = imgbImage,
                         .VideoGalleryButton = imgbVideo,
                         .CameraSettingsButton = imgbControl,
                         .MinimizeButton = imgbHide,
                         .CloseButton = imgbClose,
                         .PictureSizeButton = imgbFormat,
                         .FullScreenItem = pmiFullScreen,
                         .MirrorItem = pmiMirror,
                         .CancelCountdown = [this] { return CancelCountdown(); },
                         .StepSelfTimer = [this] { StepSelfTimer(); },
                         .ShowMainMenuIn = [this](QWidget* window) { ShowMainMenuIn(window); },
                     },
        *FCompanions);
    SetUpMagnet();
    tmSystem->start();
}

// Sized to the skin; the camera buttons show nothing of their own.
void TMainForm::FitToSkin()
{
    resize(imgBack->size());
    ApplySkinMask(this, FBackground);
    for (TImageButton* b : { imgbSnapshot, imgbVideo, imgbImage, imgbControl, imgbFormat })
        b->SetPicture(QPixmap());
}

// The live view and the galleries, where they stood last time.
void TMainForm::PlaceCompanionWindows()
{
    connect(CamView(), &TCamViewForm::nonClientRightButtonUp, this, Guarded(this, &TMainForm::OnNCRButtonUp));
    connect(Photos(), &TPhotosForm::closedByUser, this, Guarded(this, &TMainForm::UpdatePhotoButton));
    connect(Videos(), &TVideosForm::closedByUser, this, Guarded(this, &TMainForm::UpdateVideoButton));
    connect(Photos(), &TGalleryForm::statusText, lblStatus, &TStatusLine::ShowStatus);
    connect(Videos(), &TGalleryForm::statusText, lblStatus, &TStatusLine::ShowStatus);
    FCompanions->Restore(this);
}

// A press drags the borderless window anywhere but on its controls.
void TMainForm::SetUpWindowDrag()
{
    FNoDragControls = NoDragControls();
    FDrag = new TSkinnedWindowDrag(this);
    FDrag->SetCaptionTest([this](const QPoint& pos) { return IsDragPoint(pos); });
    connect(
        FDrag, &TSkinnedWindowDrag::nonClientRightButtonUp, this, Guarded(this, &TMainForm::OnNCRButtonUp));
}

// The language and its texts are read relative to the working folder,
// where the snapshots' Temp folder is too.
void TMainForm::LoadLanguage()
{
    const QString baseFolder = WorkingFolderPath();
    SetBaseFolder(baseFolder);
    CamController->SetBaseFolder(baseFolder);
    LoadSystemLanguage(baseFolder);
}

void TMainForm::ApplyLanguageTexts()
{
    ApplyTexts();
    FCompanions->ApplyLanguage();
    setAccessibleName(LanguageTexts[QStringLiteral("PanelWindowName")]);
    UpdateVideoButton();
    UpdatePhotoButton();
    FPictureOptions->Restore();
    CamView()->SetEscapeTaken([this] { return CancelCountdown(); });
}

// The picture size items live in both menus until the window closes.
void TMainForm::AddPictureSizeSubmenu()
{
    FVideoFormatItem = pmMain->insertMenu(pmiPictureSeparator, pmVideoFormat);
    FVideoFormatItem->setText(LanguageTexts[QStringLiteral("VideoFormat")]);
}

// The other windows snap to the panel and move with it.
void TMainForm::SetUpMagnet()
{
    FMagnet = new TMagnet(this);
    FMagnet->SetActive(true);
    FMagnet->SetSnapOptions(soMagnet);
    TMagnet::SetMainForm(this);
}

void TMainForm::SetStartupSeams(std::function<int()> screenDepth, std::function<void(int ms)> pause)
{
    FScreenDepth = std::move(screenDepth);
    FStartupPause = std::move(pause);
}

TCamViewForm* TMainForm::CamView() const { return FCompanions->CamView(); }

TPhotosForm* TMainForm::Photos() const { return FCompanions->Photos(); }

TVideosForm* TMainForm::Videos() const { return FCompanions->Videos(); }

bool TMainForm::IsDragPoint(const QPoint& windowPos) const
{
    // Hidden controls count: their rectangles never drag.
    for (const QWidget* control : FNoDragControls)
        if (control->geometry().contains(windowPos))
            return false;
    return true;
}

bool TMainForm::ConfirmDiscardUnsaved()
{
    return AskAboutUnsaved(this, *FCompanions, [this] { ProcessRecord(); });
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    // Only a close the user asks for asks back; a session end or a signal
    // must never wait for an answer.
    if (!FClosed && !FSessionEnd) {
        // A question that fails keeps the window, and with it the unsaved media.
        bool discard = false;
        RunGuarded([&] { discard = ConfirmDiscardUnsaved(); });
        // A session end while the question was open closes without asking again.
        if (!discard && !FSessionEnd) {
            event->ignore();
            return;
        }
    }
    // A session end asks nothing and loses nothing: the recording is
    // finished and every unsaved capture saved before the windows go.
    if (!FClosed && FSessionEnd)
        RunGuarded([this] { SaveForSessionEnd(); });
    // A tidying step that fails must not leave the program running with
    // its window gone: the close goes on to its end.
    if (!FClosed)
        RunGuarded([this] { FormClose(); });
    event->accept();
    emit closed();
}

void TMainForm::SaveForSessionEnd()
{
    if (CamController && CamController->Recording())
        ProcessRecord();
    if (Photos() && Videos())
        SaveUnsavedForSessionEnd(*Photos(), *Videos());
}

void TMainForm::FormClose()
{
    FClosed = true;
    tmSystem->stop();
    FCountdown->Cancel();
    // A clip being recorded is finished before its gallery goes.
    if (CamController && CamController->Recording())
        CamController->StopRecording();
    if (FVideoFormatItem) {
        pmMain->removeAction(FVideoFormatItem);
        FVideoFormatItem = nullptr;
    }
    FCompanions->Save(this);
    delete FMagnet;
    FMagnet = nullptr;
    FNoDragControls.clear();
    FCompanions->Close();
}

void TMainForm::contextMenuEvent(QContextMenuEvent* event)
{
    // Over the buttons the menu is the window's ordinary context menu,
    // during a recording too.
    pmMain->popup(event->globalPos());
}

void TMainForm::changeEvent(QEvent* event)
{
    // Qt's own translations come after the window's texts: the key names in
    // the hints follow them.
    if (event->type() == QEvent::LanguageChange)
        for (const QWidget* window : ApplicationWindows())
            RefreshKeyHints(window);
    QWidget::changeEvent(event);
}

void TMainForm::ShowMainMenuIn(QWidget* window)
{
    const QWidget* focused = window->focusWidget() ? window->focusWidget() : window;
    pmMain->popup(focused->mapToGlobal(focused->rect().center()));
}

void TMainForm::OnNCRButtonUp(const QPoint& globalPos)
{
    if (!CamController->Recording())
        pmMain->popup(globalPos);
}

void TMainForm::ShowGalleryState(TImageButton* button, const QWidget* gallery)
{
    const bool shown = gallery && gallery->isVisible();
    button->SetPictureUp(shown ? button->PictureDown() : QPixmap());
    button->setChecked(shown);
}

void TMainForm::UpdatePhotoButton() { ShowGalleryState(imgbImage, Photos()); }

void TMainForm::UpdateVideoButton() { ShowGalleryState(imgbVideo, Videos()); }

QList<QWidget*> TMainForm::ApplicationWindows() const
{
    QList<QWidget*> windows { const_cast<TMainForm*>(this) };
    windows.append(FCompanions->Windows());
    return windows;
}

void TMainForm::OpenSesame()
{
    for (QWidget* window : ApplicationWindows()) {
        if (window->isMinimized())
            window->showNormal();
        if (window->isVisible())
            window->raise();
    }
    activateWindow();
}

void TMainForm::EndSession()
{
    if (FClosed)
        return;
    FSessionEnd = true;
    // Every box and dialog answers "no" or "cancel" now; the windows go
    // only after their loops have returned.
    EndModalsForSessionEnd();
    FinishSessionEnd();
}

void TMainForm::FinishSessionEnd()
{
    if (FClosed)
        return;
    if (ModalStillRunning()) {
        QTimer::singleShot(SessionEndRetryMs, this, [this] { RunGuarded([this] { FinishSessionEnd(); }); });
        return;
    }
    close();
}

bool TMainForm::IsFromConverter(qint64 senderPid) const
{
    return Videos() && Videos()->IsConverterProcess(senderPid);
}

void TMainForm::NotifyConvert(qint64 wParam, qint64 lParam)
{
    if (ProgressForm)
        ProgressForm->NotifyConvert(wParam, lParam);
}

// ---- buttons --------------------------------------------------------------

void TMainForm::imgbHideClick()
{
    for (QWidget* window : ApplicationWindows())
        if (window->isVisible())
            window->showMinimized();
}

void TMainForm::imgbCloseClick() { close(); }

void TMainForm::imgbImageClick()
{
    Photos()->setVisible(!Photos()->isVisible());
    UpdatePhotoButton();
}

void TMainForm::imgbVideoClick()
{
    Videos()->setVisible(!Videos()->isVisible());
    UpdateVideoButton();
}

void TMainForm::imgbControlClick() { CamController->ShowVideoSourceDialog(0); }

void TMainForm::imgbFormatMouseDown(const QPoint& pos) { pmVideoFormat->popup(imgbFormat->mapToGlobal(pos)); }

// The menu takes the mouse while it is open, so the release that would give
// the button its look back never reaches it.
void TMainForm::pmVideoFormatHide() { imgbFormat->ResetLook(); }

void TMainForm::imgbSnapshotClick()
{
    StartSnapshot();
    if (Photos()->isVisible())
        FocusCompanion(Photos());
}

void TMainForm::imgbRecordClick()
{
    FVideoFormatItem->setEnabled(false);
    // A recording starts at once; a snapshot still counting down is not taken.
    CancelCountdown();
    ProcessRecord();
    if (Videos()->isVisible())
        FocusCompanion(Videos());
}

void TMainForm::ProcessSnapshot() { FCapture->ProcessSnapshot(); }

void TMainForm::StartSnapshot()
{
    if (CancelCountdown())
        return;
    const int seconds = FPictureOptions->SelfTimerSeconds();
    if (seconds > 0 && CamController->WindowOpen())
        FCountdown->Start(seconds);
    else
        ProcessSnapshot();
}

bool TMainForm::CancelCountdown() { return FCountdown->Cancel(); }

void TMainForm::StepSelfTimer() { FPictureOptions->StepSelfTimer(); }

void TMainForm::ProcessRecord() { FCapture->ProcessRecord(); }

// The keyboard focus lives in the active window: the gallery becomes it, so
// that Delete, the arrows and Enter act at once.
void TMainForm::FocusCompanion(QWidget* window)
{
    window->raise();
    window->activateWindow();
    window->setFocus(Qt::OtherFocusReason);
}

// ---- menus ----------------------------------------------------------------

void TMainForm::PictureSizeClick(QAction* item, uint8_t index)
{
    // Checkable actions flip themselves before this runs: undo that first.
    const bool wasChecked = !item->isChecked();
    item->setChecked(wasChecked);
    GLIM_ASSERT(CamController->WindowOpen());
    if (wasChecked)
        return;
    CamView()->SetViewFormat(index);
    tmFormatChange->start();
    pmiFullScreen->setEnabled(true);
    CheckSizeItem(item);
}

void TMainForm::pmiChooseVideoDevice(QAction* item) { FDeviceMenus->Choose(item); }

void TMainForm::pmiChooseAudioDevice(QAction* item) { FDeviceMenus->Choose(item); }

void TMainForm::ShowInfo(const QString& text)
{
    ShowPlainMessage(this, QMessageBox::NoIcon, ProductTitle(), text);
}

// ---- timers -----------------------------------------------------------------

int TMainForm::StartStage() const { return FStartup->Stage(); }

void TMainForm::tmSystemTimer() { FStartup->Step(); }

void TMainForm::tmFormatChangeTimer()
{
    tmFormatChange->stop();
    CamController->SetVideoFormat(CamView()->ViewFormat());
    CamView()->ShowView();
}

void TMainForm::tmDeviceChangeTimer() { FDeviceMenus->ReopenCamera(); }

void TMainForm::tmRecordTimer() { FCapture->Blink(); }

// ---- the capture library's notices ------------------------------------------

void TMainForm::ConnectCameraNotices()
{
    // Notices that come while the window closes change nothing.
    connect(CamController, &TCamController::cameraLost, this, Guarded([this](bool busy) {
        if (!FClosed)
            FStartup->CameraLost(busy);
    }));
    connect(CamController, &TCamController::recordingEnded, this, Guarded([this](bool failed) {
        if (!FClosed)
            FCapture->RecordingEndedByItself(failed);
    }));
    // The start-up lists the devices itself; notices of its own listing
    // change nothing.
    connect(CamController, &TCamController::devicesChanged, this, Guarded([this] {
        if (!FClosed && StartStage() == ssFinished && FDeviceMenus->Refresh())
            FStartup->OpenCamera();
    }));
    // The library says so once; the camera goes on without a picture.
    connect(CamController, &TCamController::displayFailed, this, Guarded([this] {
        if (!FClosed)
            ShowInfo(LanguageTexts[QStringLiteral("DisplayFailedMsg")]);
    }));
}
