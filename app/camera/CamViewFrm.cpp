// SPDX-License-Identifier: GPL-2.0-or-later
#include "camera/CamViewFrm.h"

#include "camera/CamControllerUnit.h"
#include "camera/ViewOverlay.h"
#include "widgets/MagnetUnit.h"
#include "widgets/SkinPicture.h"
#include "widgets/SkinnedWindowDrag.h"
#include "widgets/TaskbarEntry.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

namespace {

// The backdrop framing each capture size; the panel sits at 16,11 in all.
constexpr std::array<const char*, VideoFormats.size()> BackdropFiles {
    "live_sif.jpg",
    "live_vga.jpg",
    "live_svga.jpg",
    "live_xga.jpg",
    "live_sxvga.jpg",
    "live_uxga.jpg",
};
// Where each backdrop stands in the window, as the window was laid out.
constexpr std::array<QPoint, VideoFormats.size()> BackdropOrigins {
    QPoint(0, 0),
    QPoint(0, 0),
    QPoint(1, 2),
    QPoint(0, 0),
    QPoint(0, 1),
    QPoint(0, 0),
};
// Window sizes for skins that lack a backdrop picture.
constexpr std::array<QSize, VideoFormats.size()> BackdropSizes {
    QSize(354, 280),
    QSize(674, 519),
    QSize(834, 639),
    QSize(1058, 807),
    QSize(1314, 1063),
    QSize(1637, 1243),
};

// The camera's picture is a graphic to screen readers, named by the camera.
QAccessibleInterface* VideoPanelFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("TVideoPanel") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
    return nullptr;
}

} // namespace

TVideoPanel::TVideoPanel(QWidget* parent)
    : QWidget(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(VideoPanelFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

TCamViewForm::TCamViewForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("CamView"));
    KeepOffTaskbar(this);
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setAttribute(Qt::WA_QuitOnClose, false);

    for (size_t i = 0; i < Backdrops.size(); ++i) {
        auto* backdrop = new QLabel(this);
        const QPixmap picture = SkinPicture(QString::fromLatin1(BackdropFiles[i]));
        backdrop->setPixmap(picture);
        backdrop->setGeometry(
            QRect(BackdropOrigins[i], picture.isNull() ? BackdropSizes[i] : LogicalSize(picture)));
        backdrop->setStyleSheet(picture.isNull() ? QStringLiteral("background: #202329;") : QString());
        backdrop->setAutoFillBackground(picture.isNull());
        backdrop->hide();
        Backdrops[i] = backdrop;
    }

    pnlView = new TVideoPanel(this);
    pnlView->setGeometry(QRect(PanelOrigin, QSize(640, 480)));
    pnlView->setEnabled(false);
    pnlView->hide();

    // FormCreate: sized to the backdrop of the format a camera starts at,
    // the only one shown at start.
    ShowBackdrop(DefaultFormatIndex);
    resize(Backdrops[DefaultFormatIndex]->size());

    FMagnet = new TMagnet(this);
    FMagnet->SetActive(true);
    FMagnet->SetSnapOptions(soMagnet);
    FMagnet->SetEnableClustering(false);

    // Every point of the window drags it; a right release goes to the main
    // window's menu rule.
    FDrag = new TSkinnedWindowDrag(this);
    FDrag->SetCaptionTest([this](const QPoint&) { return !FFullScreen; });
    connect(FDrag, &TSkinnedWindowDrag::nonClientRightButtonUp, this, &TCamViewForm::nonClientRightButtonUp);

    FOverlay = new TViewOverlay(this);
}

TCamViewForm::~TCamViewForm() = default;

uintptr_t TCamViewForm::ViewHandle() const { return static_cast<uintptr_t>(pnlView->winId()); }

QRect TCamViewForm::PictureOnScreen() const
{
    if (FFullScreen) {
        const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        return screen ? screen->geometry() : geometry();
    }
    return QRect(pnlView->mapToGlobal(QPoint(0, 0)), pnlView->size());
}

void TCamViewForm::FlashShutter() { FOverlay->Flash(PictureOnScreen()); }

void TCamViewForm::ShowCountdown(int seconds) { FOverlay->ShowCountdown(PictureOnScreen(), seconds); }

void TCamViewForm::ShowBackdrop(uint8_t index)
{
    for (size_t i = 0; i < Backdrops.size(); ++i)
        Backdrops[i]->setVisible(i == index);
}

void TCamViewForm::SetViewFormat(uint8_t index)
{
    if (index == FViewFormat)
        return;
    if (IsVideoFormatIndex(index)) {
        pnlView->hide();
        ShowBackdrop(index);
        pnlView->resize(VideoFormats[index].Width, VideoFormats[index].Height);
        const QRect backdrop = Backdrops[index]->geometry();
        resize(backdrop.size());
    }
    FViewFormat = index;
}

void TCamViewForm::ShowView()
{
    pnlView->show();
    pnlView->raise();
}

void TCamViewForm::EnterFullScreen()
{
    if (FFullScreen)
        return;
    FSavedFormBounds = geometry();
    FSavedViewBounds = pnlView->geometry();
    pnlView->setEnabled(true);

    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->size() : QSize(1024, 768);
    FFullScreen = true;
    if (QWidget* active = QApplication::activeWindow(); active != this)
        FActiveBeforeFullScreen = active;
    setAccessibleName(FFullScreenName);
    setGeometry(QRect(QPoint(0, 0), size));
    pnlView->setGeometry(QRect(QPoint(0, 0), size));
    SetStaysOnTop(true);
    raise();
    activateWindow();
    setFocus();
    CamController->SetFullScreen(true, static_cast<uintptr_t>(winId()));
}

void TCamViewForm::SetStaysOnTop(bool on)
{
    // Through the platform window: QWidget::setWindowFlag would re-create the
    // native windows, and the capture library would lose the panel it draws into.
    if (QWindow* window = windowHandle())
        window->setFlag(Qt::WindowStaysOnTopHint, on);
}

bool TCamViewForm::StaysOnTop() const
{
    return windowHandle() && windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint);
}

void TCamViewForm::LeaveFullScreen()
{
    if (!FFullScreen)
        return;
    FFullScreen = false;
    pnlView->setEnabled(false);
    pnlView->setGeometry(FSavedViewBounds);
    setGeometry(FSavedFormBounds);
    SetStaysOnTop(false);
    CamController->SetFullScreen(false, 0);
    pnlView->raise();
    setAccessibleName(FWindowedName);
    if (FActiveBeforeFullScreen && FActiveBeforeFullScreen->isVisible()) {
        FActiveBeforeFullScreen->raise();
        FActiveBeforeFullScreen->activateWindow();
    }
    FActiveBeforeFullScreen = nullptr;
}

void TCamViewForm::SetWindowNames(const QString& windowed, const QString& fullScreen)
{
    FWindowedName = windowed;
    FFullScreenName = fullScreen;
    setAccessibleName(FFullScreen ? fullScreen : windowed);
}

void TCamViewForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && FEscapeTaken && FEscapeTaken())
        return;
    if (event->key() == Qt::Key_Escape && FFullScreen) {
        LeaveFullScreen();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TCamViewForm::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && FFullScreen) {
        LeaveFullScreen();
        return;
    }
    QWidget::mousePressEvent(event);
}
