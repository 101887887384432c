// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/MainFrm.h"

#include "camera/CamControllerUnit.h"
#include "camera/CamViewFrm.h"
#include "camera/Snapwell.h"
#include "core/Assertion.h"
#include "core/CodeSiteHelperUnit.h"
#include "core/ErrorGuard.h"
#include "core/LanguageTexts.h"
#include "core/ModalEnd.h"
#include "core/ProductTitle.h"
#include "core/SettingsStore.h"
#include "core/WindowPositions.h"
#include "core/WorkingFolder.h"
#include "gallery/MediaStore.h"
#include "gallery/PhotosFrm.h"
#include "gallery/ProgressFrm.h"
#include "gallery/SaveAll.h"
#include "gallery/TempFolder.h"
#include "gallery/VideosFrm.h"
#include "shell/PanelKeys.h"
#include "shell/ShellLogging.h"
#include "vidcore/vidcore.h"
#include "vidcore/vidcore_notice.h"
#include "widgets/ImageButton.h"
#include "widgets/MagnetUnit.h"
#include "widgets/SkinMask.h"
#include "widgets/SkinPicture.h"
#include "widgets/SkinnedWindowDrag.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>

QPointer<TMainForm> MainForm;

// Flipped by every blink tick and never reset, so that a later recording
// continues the phase where the last one stopped.
static bool RecordBlink = false;

namespace {

QPixmap Skin(const QString& name) { return SkinPicture(name); }

QTimer* MakeTimer(QObject* parent, int intervalMs, bool singleShot)
{
    auto* timer = new QTimer(parent);
    timer->setInterval(intervalMs);
    timer->setSingleShot(singleShot);
    return timer;
}

QLabel* MakeLinkLabel(QWidget* parent, const QRect& geometry, const QString& caption)
{
    auto* label = new QLabel(caption, parent);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignCenter);
    QFont font(QStringLiteral("MS UI Gothic"));
    font.setPixelSize(11);
    font.setBold(true);
    label->setFont(font);
    label->setCursor(Qt::PointingHandCursor);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->hide();
    return label;
}

// Waits without freezing the window's painting; the user's input waits too,
// so no handler runs in the middle of the start-up.
void ResponsivePause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

TMainForm::TMainForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Tessaly"));
    // Hints show on hover whether the panel is the active window or not.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    ScreenDepth = [this] {
        const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        return screen ? screen->depth() : 24;
    };
    StartupPause = ResponsivePause;
    CreateControls();
    CreateMenus();
    FormCreate();
    MainForm = this;
    // Notices from before the camera's opening go to the application object.
    qApp->installEventFilter(this);
}

TMainForm::~TMainForm()
{
    if (!FClosed)
        FormClose();
}

void TMainForm::CreateControls()
{
    imgBack = new QLabel(this);
    const QPixmap back = Skin(QStringLiteral("main_back.png"));
    FBackground = back;
    imgBack->setPixmap(WithoutColourKey(back));
    imgBack->setGeometry(QRect(QPoint(0, 0), back.isNull() ? QSize(354, 124) : LogicalSize(back)));

    auto button = [this](const QString& name, const QRect& geometry) {
        auto* b = new TImageButton(this);
        b->setGeometry(geometry);
        b->SetTransparent(true);
        b->SetAutoSize(true);
        b->SetPictureOver(Skin(QStringLiteral("main_%1_over.png").arg(name)));
        b->SetPictureDown(Skin(QStringLiteral("main_%1_down.png").arg(name)));
        return b;
    };
    imgbHide = button(QStringLiteral("hide"), QRect(283, 24, 14, 14));
    imgbHide->SetPicture(Skin(QStringLiteral("main_hide_up.png")));
    imgbClose = button(QStringLiteral("close"), QRect(301, 24, 14, 14));
    imgbSnapshot = button(QStringLiteral("snapshot"), QRect(54, 47, 47, 47));
    imgbRecord = button(QStringLiteral("record"), QRect(110, 47, 47, 47));
    imgbImage = button(QStringLiteral("image"), QRect(182, 31, 31, 31));
    imgbVideo = button(QStringLiteral("video"), QRect(240, 31, 31, 31));
    imgbControl = button(QStringLiteral("control"), QRect(211, 63, 31, 31));
    imgbFormat = button(QStringLiteral("format"), QRect(269, 63, 31, 31));
    // The gallery buttons stay down while their gallery shows.
    imgbImage->SetCheckable(true);
    imgbVideo->SetCheckable(true);
    SetCameraButtonsVisible(false);

    lblStatus = new QLabel(this);
    // The status well of the skin less the same 4-pixel margin at both ends:
    // a left-to-right text starts there, a right-to-left one (the layout is
    // mirrored then) ends there. The text is centred in the well's height.
    lblStatus->setGeometry(StatusArea);
    lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QFont statusFont(QStringLiteral("NSimSun"));
    statusFont.setPixelSize(11);
    lblStatus->setFont(statusFont);
    lblStatus->setAttribute(Qt::WA_TranslucentBackground);
    QPalette statusPalette = lblStatus->palette();
    statusPalette.setColor(QPalette::WindowText, palette().color(QPalette::HighlightedText));
    lblStatus->setPalette(statusPalette);

    lblLink1 = MakeLinkLabel(this, QRect(17, 132, 69, 13), QStringLiteral("Scanora"));
    lblLink2 = MakeLinkLabel(this, QRect(99, 132, 73, 13), QStringLiteral("NetMeeting"));
    lblHomepage
        = MakeLinkLabel(this, QRect(179, 132, 158, 13), QStringLiteral("www.norvel-electronics.example"));

    tmSystem = MakeTimer(this, 10, false);
    tmRecord = MakeTimer(this, 250, false);
    tmFormatChange = MakeTimer(this, 20, false);
    tmDeviceChange = MakeTimer(this, 20, false);
    connect(tmSystem, &QTimer::timeout, this, Guarded(this, &TMainForm::tmSystemTimer));
    connect(tmRecord, &QTimer::timeout, this, Guarded(this, &TMainForm::tmRecordTimer));
    connect(tmFormatChange, &QTimer::timeout, this, Guarded(this, &TMainForm::tmFormatChangeTimer));
    connect(tmDeviceChange, &QTimer::timeout, this, Guarded(this, &TMainForm::tmDeviceChangeTimer));

    connect(imgbHide, &TImageButton::clicked, this, Guarded(this, &TMainForm::imgbHideClick));
    connect(imgbClose, &TImageButton::clicked, this, Guarded(this, &TMainForm::imgbCloseClick));
    connect(imgbImage, &TImageButton::mouseUp, this,
        Guarded([this](Qt::MouseButton b, const QPoint&) { imgbImageMouseUp(b); }));
    connect(imgbVideo, &TImageButton::mouseUp, this,
        Guarded([this](Qt::MouseButton b, const QPoint&) { imgbVideoMouseUp(b); }));
    connect(imgbControl, &TImageButton::mouseUp, this,
        Guarded([this](Qt::MouseButton b, const QPoint&) { imgbControlMouseUp(b); }));
    connect(imgbFormat, &TImageButton::mouseDown, this,
        Guarded([this](Qt::MouseButton, const QPoint& pos) { imgbFormatMouseDown(pos); }));
    // Any button opens the picture size menu here, the right one included.
    imgbFormat->setContextMenuPolicy(Qt::PreventContextMenu);
    connect(imgbSnapshot, &TImageButton::mouseUp, this,
        Guarded([this](Qt::MouseButton b, const QPoint&) { imgbSnapshotMouseUp(b); }));
    connect(imgbRecord, &TImageButton::mouseUp, this,
        Guarded([this](Qt::MouseButton b, const QPoint&) { imgbRecordMouseUp(b); }));
}

void TMainForm::CreateMenus()
{
    pmMain = new QMenu(this);
    pmiBrightletViewer = pmMain->addAction(QStringLiteral("Brightlet Viewer"));
    connect(pmiBrightletViewer, &QAction::triggered, this, &TMainForm::aboutRequested);
    pmMain->addSeparator();
    pmiVideoDevices = pmMain->addMenu(QString());
    pmiAudioDevices = pmMain->addMenu(QString());
    pmMain->addSeparator();
    pmiVideoFileFormat = pmMain->addMenu(QString());
    pmiUncompressedAVI = pmiVideoFileFormat->addAction(QStringLiteral("Uncompressed AVI"));
    pmiUncompressedAVI->setCheckable(true);
    pmiUncompressedAVI->setVisible(false);
    pmiUncompressedAVI->setEnabled(false);
    pmiASF = pmiVideoFileFormat->addAction(QStringLiteral("Microsoft ASF"));
    pmiASF->setCheckable(true);
    pmiASF->setChecked(true);
    connect(pmiUncompressedAVI, &QAction::triggered, this, Guarded([this] { SetRecordingType(0); }));
    connect(pmiASF, &QAction::triggered, this, Guarded([this] { SetRecordingType(1); }));

    pmVideoFormat = new QMenu(this);
    auto sizeItem = [this](const QString& caption, uint8_t index, bool visible) {
        QAction* item = pmVideoFormat->addAction(caption);
        item->setCheckable(true);
        item->setVisible(visible);
        connect(
            item, &QAction::triggered, this, Guarded([this, item, index] { PictureSizeClick(item, index); }));
        return item;
    };
    pmiSIF = sizeItem(QStringLiteral("320x240(S&IF)"), 0, true);
    pmiVGA = sizeItem(QStringLiteral("640x480(&VGA)"), 1, true);
    pmiVGA->setChecked(true);
    pmiXGA = sizeItem(QStringLiteral("1024x768(XG&A)"), 3, false);
    pmiSXVGA = sizeItem(QStringLiteral("1280x1024(S&XVGA)"), 4, false);
    pmiUXGA = sizeItem(QStringLiteral("1600x1200(&UXGA)"), 5, false);
    pmiFullScreen = pmVideoFormat->addAction(QString());
    connect(pmiFullScreen, &QAction::triggered, this, Guarded([this] { FCamView->EnterFullScreen(); }));
    connect(pmVideoFormat, &QMenu::aboutToHide, this, Guarded(this, &TMainForm::pmVideoFormatHide));
}

void TMainForm::FormCreate()
{
    // 1. Sized to the skin; the camera buttons show nothing of their own.
    resize(imgBack->size());
    ApplySkinMask(this, FBackground);
    FVideoDeviceIndex = 0;
    FAudioDeviceIndex = 0;
    for (TImageButton* b : { imgbSnapshot, imgbVideo, imgbImage, imgbControl, imgbFormat })
        b->SetPicture(QPixmap());

    // 2. The companion windows, then where everything stood last time.
    FCamView = new TCamViewForm();
    FPhotos = new TPhotosForm();
    FVideos = new TVideosForm();
    connect(FCamView, &TCamViewForm::nonClientRightButtonUp, this, Guarded(this, &TMainForm::OnNCRButtonUp));
    connect(FPhotos, &TPhotosForm::closedByUser, this, Guarded(this, &TMainForm::UpdatePhotoButton));
    connect(FVideos, &TVideosForm::closedByUser, this, Guarded(this, &TMainForm::UpdateVideoButton));
    connect(FPhotos, &TGalleryForm::statusText, lblStatus, &QLabel::setText);
    connect(FVideos, &TGalleryForm::statusText, lblStatus, &QLabel::setText);
    LoadWindowPositions();

    // 3. The camera controller draws into the live view's panel.
    CamController->InstanceHandle = 0;
    CamController->OwnerHandle = static_cast<uintptr_t>(winId());
    CamController->ViewHandle = FCamView->ViewHandle();

    // 4.
    BuildNoDragList();
    FDrag = new TSkinnedWindowDrag(this);
    FDrag->SetCaptionTest([this](const QPoint& pos) { return IsDragPoint(pos); });
    connect(
        FDrag, &TSkinnedWindowDrag::nonClientRightButtonUp, this, Guarded(this, &TMainForm::OnNCRButtonUp));

    // 5.-6. Language and texts, read relative to the working folder.
    const QString baseFolder = WorkingFolderPath();
    SetBaseFolder(baseFolder);
    CamController->SetBaseFolder(baseFolder);
    LoadSystemLanguage(baseFolder);
    QFont statusFont = lblStatus->font();
    statusFont.setFamily(LanguageFont);
    lblStatus->setFont(statusFont);
    FPhotos->SetStripFont(LanguageFont);
    FVideos->SetStripFont(LanguageFont);

    // 7.-8.
    ApplyLanguageTexts();
    UpdateVideoButton();
    UpdatePhotoButton();

    // 9. The picture size items live in both menus until the window closes.
    FVideoFormatItem = pmMain->addMenu(pmVideoFormat);
    FVideoFormatItem->setText(LanguageTexts[QStringLiteral("VideoFormat")]);

    InstallPanelKeys(this);

    // 10.
    FMagnet = new TMagnet(this);
    FMagnet->SetActive(true);
    FMagnet->SetSnapOptions(soMagnet);
    TMagnet::SetMainForm(this);

    tmSystem->start();
}

void TMainForm::ApplyLanguageTexts()
{
    auto text = [](const char* key) { return LanguageTexts[QString::fromLatin1(key)]; };
    lblStatus->setText(text("CameraLoading"));
    FVideos->SetStripCaption(text("VideoListMsg"));
    FPhotos->SetStripCaption(text("ImageListMsg"));
    imgbSnapshot->setToolTip(text("SnapShotHint"));
    imgbRecord->setToolTip(text("RecordHint"));
    imgbImage->setToolTip(text("ImageWindowHint"));
    imgbVideo->setToolTip(text("VideoWindowHint"));
    imgbControl->setToolTip(text("ControlHint"));
    imgbFormat->setToolTip(text("FormatHint"));
    // Kept as hints only: these two buttons show no tooltip.
    imgbHide->setStatusTip(text("HideWindowHint"));
    imgbClose->setStatusTip(text("CloseWindowHint"));
    FVideos->SetHints(text("SaveVideoHint"), text("StartVideoHint"), text("DeleteVideoHint"));
    FPhotos->SetHints(text("SaveImageHint"), text("ViewImageHint"), text("DeleteImageHint"));
    FPhotos->SetItemNameFormat(text("PhotoItemName"));
    FVideos->SetItemNameFormat(text("VideoItemName"));
    for (TGalleryForm* gallery : { static_cast<TGalleryForm*>(FPhotos), static_cast<TGalleryForm*>(FVideos) })
        gallery->SetControlHints(text("CloseWindowHint"), text("ScrollLeftHint"), text("ScrollRightHint"),
            text("ScrollThumbHint"));
    pmiBrightletViewer->setText(text("TitleFormat"));
    pmiVideoDevices->setTitle(text("VideoDevice"));
    pmiAudioDevices->setTitle(text("AudioDevice"));
    pmiVideoFileFormat->setTitle(text("VideoFileFormat"));
    pmiFullScreen->setText(text("FullScreen"));
}

void TMainForm::LoadWindowPositions()
{
    TWindowPositions positions = ReadWindowPositions(*SettingsStore, size(), FPhotos->height());
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->geometry());
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        KeepWindowsReachable(positions, { size(), FCamView->size(), FPhotos->size(), FVideos->size() },
            screens, primary->geometry());
    move(positions.MainController.Left, positions.MainController.Top);
    FCamView->move(positions.CamViewer.Left, positions.CamViewer.Top);
    FPhotos->move(positions.ImageGallery.Left, positions.ImageGallery.Top);
    FPhotos->setVisible(positions.ImageGallery.Visible);
    FVideos->move(positions.VideoGallery.Left, positions.VideoGallery.Top);
    FVideos->setVisible(positions.VideoGallery.Visible);
    FCamView->show();
}

void TMainForm::SaveWindowPositions()
{
    TWindowPositions positions;
    positions.MainController = { x(), y(), isVisible() };
    positions.CamViewer = { FCamView->x(), FCamView->y(), FCamView->isVisible() };
    positions.ImageGallery = { FPhotos->x(), FPhotos->y(), FPhotos->isVisible() };
    positions.VideoGallery = { FVideos->x(), FVideos->y(), FVideos->isVisible() };
    WriteWindowPositions(*SettingsStore, positions);
}

void TMainForm::BuildNoDragList()
{
    FNoDragControls = { imgbClose, imgbControl, imgbFormat, imgbHide, imgbImage, imgbRecord, imgbSnapshot,
        imgbVideo, lblLink1, lblLink2, lblHomepage };
}

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
    const int photos = FPhotos ? FPhotos->UnsavedCount() : 0;
    const int clips = FVideos ? FVideos->UnsavedCount() : 0;
    if (photos == 0 && clips == 0)
        return true;
    // The text holds two counts: photos first, clips second.
    QString text = LanguageTexts[QStringLiteral("UnsavedCountMsg")];
    for (const int count : { photos, clips })
        if (const qsizetype at = text.indexOf(QStringLiteral("%d")); at >= 0)
            text.replace(at, 2, QString::number(count));
    QMessageBox box(QMessageBox::NoIcon, ProductTitle(), text, QMessageBox::NoButton, this);
    QPushButton* saveAll
        = box.addButton(LanguageTexts[QStringLiteral("SaveAllButton")], QMessageBox::AcceptRole);
    QPushButton* discard
        = box.addButton(LanguageTexts[QStringLiteral("DiscardButton")], QMessageBox::DestructiveRole);
    QPushButton* cancel
        = box.addButton(LanguageTexts[QStringLiteral("CancelButton")], QMessageBox::RejectRole);
    box.setDefaultButton(saveAll);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == discard)
        return true;
    if (box.clickedButton() != saveAll || !FPhotos || !FVideos)
        return false;
    // The clip being recorded is finished before it is copied.
    if (CamController && CamController->Recording)
        ProcessRecord();
    return SaveAllUnsaved(*FPhotos, *FVideos, this);
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
    // A tidying step that fails must not leave the program running with
    // its window gone: the close goes on to its end.
    if (!FClosed)
        RunGuarded([this] { FormClose(); });
    event->accept();
    emit closed();
}

void TMainForm::FormClose()
{
    FClosed = true;
    tmSystem->stop();
    // A clip being recorded is finished before its gallery goes.
    if (CamController && CamController->Recording)
        CamController->StopRecording();
    if (FVideoFormatItem) {
        pmMain->removeAction(FVideoFormatItem);
        FVideoFormatItem = nullptr;
    }
    SaveWindowPositions();
    delete FMagnet;
    FMagnet = nullptr;
    FNoDragControls.clear();
    delete FVideos;
    FVideos = nullptr;
    delete FPhotos;
    FPhotos = nullptr;
    // The preview draws into the camera view: it stops before the view goes,
    // or the video sink waits on a window that no longer exists.
    if (CamController)
        CamController->CloseCaptureWindow();
    delete FCamView;
    FCamView = nullptr;
}

void TMainForm::contextMenuEvent(QContextMenuEvent* event)
{
    // Over the buttons the menu is the window's ordinary context menu,
    // during a recording too.
    pmMain->popup(event->globalPos());
}

void TMainForm::OnNCRButtonUp(const QPoint& globalPos)
{
    if (!CamController->Recording)
        pmMain->popup(globalPos);
}

void TMainForm::UpdatePhotoButton()
{
    const bool shown = FPhotos && FPhotos->isVisible();
    imgbImage->SetPictureUp(shown ? imgbImage->PictureDown() : QPixmap());
    imgbImage->SetChecked(shown);
}

void TMainForm::UpdateVideoButton()
{
    const bool shown = FVideos && FVideos->isVisible();
    imgbVideo->SetPictureUp(shown ? imgbVideo->PictureDown() : QPixmap());
    imgbVideo->SetChecked(shown);
}

void TMainForm::SetChosenVideo(const QString& name)
{
    FChosenVideo = name;
    // Screen readers name the live picture by its camera.
    FCamView->pnlView->setAccessibleName(name);
}

QList<QWidget*> TMainForm::ApplicationWindows() const
{
    QList<QWidget*> windows { const_cast<TMainForm*>(this) };
    for (QWidget* companion :
        { static_cast<QWidget*>(FCamView), static_cast<QWidget*>(FPhotos), static_cast<QWidget*>(FVideos) })
        if (companion)
            windows.append(companion);
    return windows;
}

bool TMainForm::event(QEvent* event)
{
    if (event->type() == VidcoreNoticeEvent::EventType) {
        RunGuarded([&] { CameraNotice(static_cast<VidcoreNoticeEvent*>(event)->notice()); });
        return true;
    }
    return QWidget::event(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == VidcoreNoticeEvent::EventType) {
        RunGuarded([&] { CameraNotice(static_cast<VidcoreNoticeEvent*>(event)->notice()); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
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
    return FVideos && FVideos->IsConverterProcess(senderPid);
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

void TMainForm::imgbImageMouseUp(Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    FPhotos->setVisible(!FPhotos->isVisible());
    UpdatePhotoButton();
}

void TMainForm::imgbVideoMouseUp(Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    FVideos->setVisible(!FVideos->isVisible());
    UpdateVideoButton();
}

void TMainForm::imgbControlMouseUp(Qt::MouseButton button)
{
    if (button == Qt::LeftButton)
        CamController->ShowVideoSourceDialog(0);
}

void TMainForm::imgbFormatMouseDown(const QPoint& pos) { pmVideoFormat->popup(imgbFormat->mapToGlobal(pos)); }

// The menu takes the mouse while it is open, so the release that would give
// the button its look back never reaches it.
void TMainForm::pmVideoFormatHide() { imgbFormat->ResetLook(); }

void TMainForm::imgbSnapshotMouseUp(Qt::MouseButton button)
{
    if (button == Qt::LeftButton)
        ProcessSnapshot();
    if (FPhotos->isVisible())
        FocusCompanion(FPhotos);
}

void TMainForm::imgbRecordMouseUp(Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    FVideoFormatItem->setEnabled(false);
    ProcessRecord();
    if (FVideos->isVisible())
        FocusCompanion(FVideos);
}

// The keyboard focus lives in the active window: the gallery becomes it, so
// that Delete, the arrows and Enter act at once.
void TMainForm::FocusCompanion(QWidget* window)
{
    window->raise();
    window->activateWindow();
    window->setFocus(Qt::OtherFocusReason);
}

// ---- menus ----------------------------------------------------------------

QList<QAction*> TMainForm::SizeItems() const { return { pmiSIF, pmiVGA, pmiXGA, pmiSXVGA, pmiUXGA }; }

QAction* TMainForm::FileTypeItem(int32_t type) const
{
    if (type == 0)
        return pmiUncompressedAVI;
    if (type == 1)
        return pmiASF;
    return nullptr;
}

void TMainForm::PictureSizeClick(QAction* item, uint8_t index)
{
    // Checkable actions flip themselves before this runs: undo that first.
    const bool wasChecked = !item->isChecked();
    item->setChecked(wasChecked);
    GLIM_ASSERT(CamController->WindowOpen);
    if (wasChecked)
        return;
    FCamView->SetViewFormat(index);
    tmFormatChange->start();
    pmiFullScreen->setEnabled(true);
    for (QAction* other : SizeItems())
        other->setChecked(other == item);
}

void TMainForm::pmiChooseVideoDevice(QAction* item)
{
    ChooseDevice(pmiVideoDevices, item, FVideoDeviceIndex,
        [](int32_t position) { CamController->ChooseVideoDevice(position); });
}

void TMainForm::pmiChooseAudioDevice(QAction* item)
{
    ChooseDevice(pmiAudioDevices, item, FAudioDeviceIndex,
        [](int32_t position) { CamController->ChooseAudioDevice(position); });
}

void TMainForm::ChooseDevice(
    QMenu* menu, QAction* item, int32_t& checkedIndex, const std::function<void(int32_t)>& choose)
{
    const QList<QAction*> items = menu->actions();
    const int position = items.indexOf(item);
    // Checkable items flip themselves; the chosen one is checked either way.
    item->setChecked(true);
    if (position == checkedIndex)
        return;
    FCamView->SetViewFormat(1);
    choose(position);
    tmDeviceChange->start();
    if (checkedIndex >= 0 && checkedIndex < items.size())
        items[checkedIndex]->setChecked(false);
    checkedIndex = position;
    if (menu == pmiVideoDevices)
        SetChosenVideo(item->text());
}

void TMainForm::SetRecordingType(int32_t type)
{
    if (QAction* old = FileTypeItem(CamController->VideoType))
        old->setChecked(false);
    CamController->SetVideoType(type);
    if (QAction* now = FileTypeItem(CamController->VideoType))
        now->setChecked(true);
}

// ---- start-up and timers ---------------------------------------------------

void TMainForm::FillDeviceMenu(QMenu* menu, const QStringList& names, int checkedIndex, bool video)
{
    for (int i = 0; i < names.size(); ++i) {
        QAction* item = menu->addAction(names[i]);
        item->setCheckable(true);
        item->setChecked(i == checkedIndex);
        connect(item, &QAction::triggered, this, Guarded([this, item, video] {
            video ? pmiChooseVideoDevice(item) : pmiChooseAudioDevice(item);
        }));
    }
}

void TMainForm::SetCameraButtonsVisible(bool visible)
{
    for (TImageButton* b : { imgbSnapshot, imgbRecord, imgbControl, imgbFormat })
        b->setVisible(visible);
}

void TMainForm::ShowInfo(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, ProductTitle(), text, QMessageBox::Ok, this);
    box.exec();
}

void TMainForm::tmSystemTimer()
{
    // A modal box lets ticks through; the stages keep the start-up correct.
    if (FStartStage < ssLowColour && ScreenDepth() < 24) {
        FStartStage = ssLowColour;
        ShowInfo(LanguageTexts[QStringLiteral("BitmapWarnMsg")]);
    }
    if (FStartStage == ssNotRun) {
        FStartStage = ssCameraStep;
        if (QAction* item = FileTypeItem(CamController->VideoType))
            item->setChecked(true);
        if (!PrepareTempFolder())
            ShowInfo(LanguageTexts[QStringLiteral("TempFolderMsg")]);
        CamController->EnumerateDevices();
        FillDeviceMenu(pmiVideoDevices, CamController->VideoDevices, FVideoDeviceIndex, true);
        SetChosenVideo(CamController->VideoDevices.value(FVideoDeviceIndex));
        FillDeviceMenu(pmiAudioDevices, CamController->AudioDevices, FAudioDeviceIndex, false);
        CamController->ChooseVideoDevice(CamController->VideoDeviceMap[FVideoDeviceIndex]);
        CamController->ChooseAudioDevice(FAudioDeviceIndex);
        // The rest of the start-up happens in this tick; no other may run it twice.
        tmSystem->stop();
        StartupPause(1000);
        // A signal, a shutdown or a sleep may have closed the window meanwhile,
        // or be waiting for the pause to end.
        if (FClosed || FSessionEnd)
            return;
        AM_CaptureVideoQuit(CamController->ViewHandle);
        if (CamController->VideoDevices.isEmpty()) {
            lblStatus->setText(LanguageTexts[QStringLiteral("CemaraNoLoaded")]);
            ShowInfo(LanguageTexts[QStringLiteral("CemaraWarnMsg")]);
        } else if (CamController->OpenCaptureWindow()) {
            tmSystem->setInterval(1000);
            pmiASF->trigger();
            PrimeCapture();
        }
    }
    if (FStartStage == ssCameraStep) {
        FStartStage = ssFinished;
        tmSystem->stop();
        if (CamController->WindowOpen) {
            lblStatus->setText(LanguageTexts[QStringLiteral("CemaraLoaded")]);
            SetCameraButtonsVisible(true);
        }
    }
}

// ---- the capture library's notices ------------------------------------------

void TMainForm::CameraNotice(VidcoreNotice notice)
{
    if (FClosed)
        return;
    switch (notice) {
    case VidcoreNotice::CameraFailed:
        CameraLost(false);
        break;
    case VidcoreNotice::CameraBusy:
        CameraLost(true);
        break;
    case VidcoreNotice::RecordingEnded:
        RecordingEndedByItself(false);
        break;
    case VidcoreNotice::RecordingFailed:
        RecordingEndedByItself(true);
        break;
    case VidcoreNotice::DevicesChanged:
        RefreshDevices();
        break;
    case VidcoreNotice::DisplayFailed:
        // The library says so once; the camera goes on without a picture.
        ShowInfo(LanguageTexts[QStringLiteral("DisplayFailedMsg")]);
        break;
    }
}

void TMainForm::CameraLost(bool busy)
{
    // The clip ends with the picture, complete, and stays in the gallery.
    if (CamController->Recording)
        ProcessRecord();
    if (FCamView->FullScreen())
        FCamView->LeaveFullScreen();
    CamController->CloseCaptureWindow();
    SetCameraButtonsVisible(false);
    lblStatus->setText(LanguageTexts[QStringLiteral("CemaraNoLoaded")]);
    if (FCameraMessageShown)
        return;
    FCameraMessageShown = true;
    ShowInfo(LanguageTexts[busy ? QStringLiteral("CameraBusyMsg") : QStringLiteral("CameraLostMsg")]);
}

void TMainForm::RecordingEndedByItself(bool failed)
{
    if (!CamController->Recording)
        return;
    const QString clip = FRecordingFile;
    ProcessRecord();
    if (!failed)
        return;
    // A file that could not be written is not a clip: it never was finished.
    FVideos->DiscardVideo(clip);
    UpdateVideoButton();
    lblStatus->setText(LanguageTexts[QStringLiteral("VideoStatus")].replace(
        QStringLiteral("%d"), QString::number(FVideos->VideoCount())));
    ShowInfo(LanguageTexts[QStringLiteral("RecordFailedMsg")]);
}

void TMainForm::RefreshDevices()
{
    // The start-up lists the devices itself; notices of its own listing
    // change nothing.
    if (FStartStage != ssFinished)
        return;
    const QStringList oldVideos = CamController->VideoDevices;
    const QStringList oldAudios = CamController->AudioDevices;
    const QString checkedAudio = oldAudios.value(FAudioDeviceIndex);
    CamController->EnumerateDevices();
    const QStringList& videos = CamController->VideoDevices;
    const QStringList& audios = CamController->AudioDevices;
    if (videos == oldVideos && audios == oldAudios)
        return;

    // The chosen camera stays checked while it is there; a camera that came
    // while none is open becomes the chosen one.
    QString arrived;
    for (const QString& name : videos)
        if (!oldVideos.contains(name) && arrived.isEmpty())
            arrived = name;
    const bool reopen = !CamController->WindowOpen && !CamController->Recording && !arrived.isEmpty();
    if (reopen && arrived != FChosenVideo && !videos.contains(FChosenVideo))
        SetChosenVideo(arrived);
    FVideoDeviceIndex = static_cast<int32_t>(videos.indexOf(FChosenVideo));
    FAudioDeviceIndex = std::max(0, static_cast<int>(audios.indexOf(checkedAudio)));
    pmiVideoDevices->clear();
    pmiAudioDevices->clear();
    FillDeviceMenu(pmiVideoDevices, videos, FVideoDeviceIndex, true);
    FillDeviceMenu(pmiAudioDevices, audios, FAudioDeviceIndex, false);
    // Device numbers are positions in the new lists.
    if (!CamController->Recording) {
        if (FVideoDeviceIndex >= 0)
            CamController->ChooseVideoDevice(CamController->VideoDeviceMap[FVideoDeviceIndex]);
        if (!audios.isEmpty())
            CamController->ChooseAudioDevice(FAudioDeviceIndex);
    }
    // The chosen camera came back, or a camera came while none was open: the
    // camera starts by itself, without the start-up's pause and test clip.
    if (reopen && FVideoDeviceIndex >= 0)
        OpenCamera();
}

bool TMainForm::OpenCamera()
{
    lblStatus->setText(LanguageTexts[QStringLiteral("CameraLoading")]);
    CamController->ApplyDefaultVideoFormat();
    FCamView->SetViewFormat(1);
    for (QAction* item : SizeItems())
        item->setChecked(item == pmiVGA);
    if (!CamController->OpenCaptureWindow())
        return false; // the capture library's notice tells why
    FCameraMessageShown = false;
    FCamView->ShowView();
    lblStatus->setText(LanguageTexts[QStringLiteral("CemaraLoaded")]);
    SetCameraButtonsVisible(true);
    return true;
}

void TMainForm::ChooseRecordingType()
{
    if (pmiUncompressedAVI->isChecked()) {
        if (FCamView->ViewFormat >= 2 && FCamView->ViewFormat <= 5) {
            // A plain Yes/No box, without an icon.
            QMessageBox box(QMessageBox::NoIcon, LanguageTexts[QStringLiteral("InfomationMsg")],
                LanguageTexts[QStringLiteral("WarningMsg")], QMessageBox::Yes | QMessageBox::No, this);
            FAviAnswer = box.exec() == QMessageBox::Yes ? 6 : 7;
            SetRecordingType(FAviAnswer == 6 ? 1 : 0);
        }
    } else {
        SetRecordingType(1);
    }
}

void TMainForm::PrimeCapture()
{
    if (CamController->Recording)
        return;
    ChooseRecordingType();
    if (FClosed || FSessionEnd) // closed, or closing, while its question was asked
        return;
    TCodeSiteHelper trace(lcShell(), "ProcessRecord");
    DropLinkAt(QStringLiteral("Temp/sample"));
    if (CamController->StartRecording(QStringLiteral("Temp/sample")))
        CamController->StopRecording();
    // Without the warm-up (no usable Temp folder) the picture still shows.
    FCamView->ShowView();
}

void TMainForm::tmFormatChangeTimer()
{
    tmFormatChange->stop();
    CamController->SetVideoFormat(FCamView->ViewFormat);
    FCamView->ShowView();
}

void TMainForm::tmDeviceChangeTimer()
{
    tmDeviceChange->stop();
    CamController->ResetVideoFormat();
    CamController->CloseCaptureWindow();
    CamController->OpenCaptureWindow();
    FCamView->ShowView();
    for (QAction* item : SizeItems())
        item->setChecked(item == pmiVGA);
}

// ---- snapshot and recording ------------------------------------------------

void TMainForm::ProcessSnapshot()
{
    if (!CamController->WindowOpen)
        return;
    // A frame that could not be taken adds no photo (the picture held would
    // be the previous one) and leaves the status line alone.
    if (!CamController->TakeSnapshot()) {
        if (!FrameMapsReady())
            ShowInfo(LanguageTexts[QStringLiteral("FrameMapsMsg")].replace(
                QStringLiteral("%s"), FrameMapsFolder()));
        else if (!PrepareTempFolder())
            ShowInfo(LanguageTexts[QStringLiteral("TempFolderMsg")]);
        else if (CamController->SnapshotWriteFailed)
            ShowInfo(LanguageTexts[QStringLiteral("SnapshotFailedMsg")]);
        return;
    }
    TCodeSiteHelper trace(lcShell(), "ProcessSnapshot");
    FPhotos->AddImage(CamController->SnapshotImage);
    UpdatePhotoButton();
    lblStatus->setText(LanguageTexts[QStringLiteral("SnapshotStatus")].replace(
        QStringLiteral("%d"), QString::number(FPhotos->ImageCount())));
}

void TMainForm::ProcessRecord()
{
    if (CamController->Recording) {
        CamController->StopRecording();
        FVideos->SetInputEnabled(true);
        tmRecord->stop();
        for (TImageButton* b : { imgbSnapshot, imgbFormat, imgbControl })
            b->SetEnabled(true);
        lblStatus->setText(LanguageTexts[QStringLiteral("VideoStatus")].replace(
            QStringLiteral("%d"), QString::number(FVideos->VideoCount())));
        FVideoFormatItem->setEnabled(true);
        return;
    }
    ChooseRecordingType();
    if (FClosed || FSessionEnd) // closed, or closing, while its question was asked
        return;
    // The frame at the start is the clip's thumbnail; never a stale one.
    const bool taken = CamController->TakeSnapshot();
    TCodeSiteHelper trace(lcShell(), "ProcessRecord");
    const QImage thumbnail = taken ? CamController->SnapshotImage.copy() : QImage();
    const QString fileName = FVideos->MakeClipFileName();
    DropLinkAt(fileName);
    if (CamController->StartRecording(fileName)) {
        FRecordingFile = fileName;
        FVideos->AddVideo(fileName, thumbnail, FCamView->ViewFormat);
        UpdateVideoButton();
        FVideos->SetInputEnabled(false);
        tmRecord->start();
        for (TImageButton* b : { imgbSnapshot, imgbFormat, imgbControl })
            b->SetEnabled(false);
        lblStatus->setText(LanguageTexts[QStringLiteral("Recoding")]);
    } else {
        // Nothing records: the size menu must not stay locked.
        FVideoFormatItem->setEnabled(true);
        if (!FrameMapsReady())
            ShowInfo(LanguageTexts[QStringLiteral("FrameMapsMsg")].replace(
                QStringLiteral("%s"), FrameMapsFolder()));
        else if (!PrepareTempFolder())
            ShowInfo(LanguageTexts[QStringLiteral("TempFolderMsg")]);
    }
}

void TMainForm::tmRecordTimer()
{
    RecordBlink = !RecordBlink;
    imgbRecord->SetPicture(RecordBlink ? QPixmap() : imgbRecord->PictureDown());
}
