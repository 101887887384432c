// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/StartupSequence.h"

#include "camera/CamControllerUnit.h"
#include "camera/CamViewFrm.h"
#include "camera/VideoFormatTable.h"
#include "core/LanguageTexts.h"
#include "gallery/TempFolder.h"
#include "shell/CaptureFlows.h"
#include "shell/DeviceMenus.h"
#include "shell/MainFormControls.h"
#include "shell/MainFrm.h"
#include "shell/ShellLogging.h"
#include "vidcore/vidcore.h"
#include "widgets/StatusLine.h"

#include <QAction>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

TStartupSequence::TStartupSequence(
    TMainForm& form, const TMainFormControls& ui, TDeviceMenus& devices, TCaptureFlows& capture)
    : FForm(form)
    , FUi(ui)
    , FDevices(devices)
    , FCapture(capture)
    , FStage(TMainForm::ssNotRun)
{
}

int TStartupSequence::ScreenDepthOf(const QWidget* window)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->depth() : 24;
}

void TStartupSequence::ResponsivePause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void TStartupSequence::Step()
{
    // A modal box lets ticks through; the stages keep the start-up correct.
    if (FStage < TMainForm::ssLowColour && FForm.ScreenDepth() < 24) {
        FStage = TMainForm::ssLowColour;
        FForm.ShowInfo(LanguageTexts[QStringLiteral("BitmapWarnMsg")]);
    }
    if (FStage == TMainForm::ssNotRun) {
        FStage = TMainForm::ssCameraStep;
        if (QAction* item = FUi.FileTypeItem(CamController->VideoType))
            item->setChecked(true);
        if (!PrepareTempFolder())
            FForm.ShowInfo(LanguageTexts[QStringLiteral("TempFolderMsg")]);
        CamController->EnumerateDevices();
        FDevices.FillAtStartup();
        // The rest of the start-up happens in this tick; no other may run it twice.
        FUi.tmSystem->stop();
        FForm.StartupPause(1000);
        // A signal, a shutdown or a sleep may have closed the window meanwhile,
        // or be waiting for the pause to end.
        if (FForm.IsClosing())
            return;
        qCDebug(lcShell, "start-up: pause over, opening the camera");
        AM_CaptureVideoQuit(CamController->ViewHandle);
        if (CamController->VideoDevices.isEmpty()) {
            FUi.lblStatus->ShowStatus(LanguageTexts[QStringLiteral("CemaraNoLoaded")]);
            FForm.ShowInfo(LanguageTexts[QStringLiteral("CemaraWarnMsg")]);
        } else if (CamController->OpenCaptureWindow()) {
            FUi.tmSystem->setInterval(1000);
            FUi.pmiASF->trigger();
            FCapture.PrimeCapture();
            qCDebug(lcShell, "start-up: live view shown");
        }
    }
    if (FStage == TMainForm::ssCameraStep) {
        FStage = TMainForm::ssFinished;
        FUi.tmSystem->stop();
        if (CamController->WindowOpen) {
            FUi.lblStatus->ShowStatus(LanguageTexts[QStringLiteral("CemaraLoaded")]);
            FUi.SetCameraButtonsVisible(true);
        }
    }
}

void TStartupSequence::CameraLost(bool busy)
{
    // The clip ends with the picture, complete, and stays in the gallery.
    if (CamController->Recording)
        FCapture.ProcessRecord();
    if (FForm.CamView()->FullScreen())
        FForm.CamView()->LeaveFullScreen();
    CamController->CloseCaptureWindow();
    FUi.SetCameraButtonsVisible(false);
    FUi.lblStatus->ShowStatus(LanguageTexts[QStringLiteral("CemaraNoLoaded")]);
    if (FCameraMessageShown)
        return;
    FCameraMessageShown = true;
    FForm.ShowInfo(LanguageTexts[busy ? QStringLiteral("CameraBusyMsg") : QStringLiteral("CameraLostMsg")]);
}

bool TStartupSequence::OpenCamera()
{
    FUi.lblStatus->ShowStatus(LanguageTexts[QStringLiteral("CameraLoading")]);
    CamController->ApplyDefaultVideoFormat();
    FForm.CamView()->SetViewFormat(vfVGA);
    FUi.CheckSizeItem(FUi.pmiVGA);
    if (!CamController->OpenCaptureWindow())
        return false; // the capture library's notice tells why
    FCameraMessageShown = false;
    FForm.CamView()->ShowView();
    FUi.lblStatus->ShowStatus(LanguageTexts[QStringLiteral("CemaraLoaded")]);
    FUi.SetCameraButtonsVisible(true);
    return true;
}
