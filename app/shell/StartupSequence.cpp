// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/StartupSequence.h"

#include "camera/CamControllerUnit.h"
#include "camera/CamViewFrm.h"
#include "camera/VideoFormatTable.h"
#include "core/LanguageTexts.h"
#include "gallery/TempFolder.h"
#include "shell/CaptureFlows.h"
#include "shell/CompanionWindows.h"
#include "shell/DeviceMenus.h"
#include "shell/ShellLogging.h"
#include "widgets/StatusLine.h"

#include <QAction>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include <utility>

TStartupSequence::TStartupSequence(
    TParts parts, const TCompanionWindows& windows, TDeviceMenus& devices, TCaptureFlows& capture)
    : FParts(std::move(parts))
    , FWindows(windows)
    , FDevices(devices)
    , FCapture(capture)
    , FStage(ssNotRun)
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
    if (FStage < ssLowColour && FParts.ScreenDepth() < 24) {
        FStage = ssLowColour;
        FParts.ShowInfo(LanguageTexts[QStringLiteral("BitmapWarnMsg")]);
    }
    if (FStage == ssNotRun) {
        FStage = ssCameraStep;
        if (QAction* item = FParts.FileTypeItem(CamController->VideoType()))
            item->setChecked(true);
        if (!PrepareTempFolder())
            FParts.ShowInfo(LanguageTexts[QStringLiteral("TempFolderMsg")]);
        CamController->EnumerateDevices();
        FDevices.FillAtStartup();
        // The rest of the start-up happens in this tick; no other may run it twice.
        FParts.StageTimer->stop();
        FParts.Pause(1000);
        // A signal, a shutdown or a sleep may have closed the window meanwhile,
        // or be waiting for the pause to end.
        if (FParts.IsClosing())
            return;
        qCDebug(lcShell, "start-up: pause over, opening the camera");
        CamController->QuitCapture();
        if (CamController->VideoDevices().isEmpty()) {
            FParts.Status->ShowStatus(LanguageTexts[QStringLiteral("CemaraNoLoaded")]);
            FParts.ShowInfo(LanguageTexts[QStringLiteral("CemaraWarnMsg")]);
        } else if (CamController->OpenCaptureWindow()) {
            FParts.StageTimer->setInterval(1000);
            FParts.AsfItem->trigger();
            FCapture.PrimeCapture();
            qCDebug(lcShell, "start-up: live view shown");
        }
    }
    if (FStage == ssCameraStep) {
        FStage = ssFinished;
        FParts.StageTimer->stop();
        if (CamController->WindowOpen()) {
            FParts.Status->ShowStatus(LanguageTexts[QStringLiteral("CemaraLoaded")]);
            FParts.SetCameraButtonsVisible(true);
        }
    }
}

void TStartupSequence::CameraLost(bool busy)
{
    // The clip ends with the picture, complete, and stays in the gallery.
    if (CamController->Recording())
        FCapture.ProcessRecord();
    if (FWindows.CamView()->FullScreen())
        FWindows.CamView()->LeaveFullScreen();
    CamController->CloseCaptureWindow();
    FParts.SetCameraButtonsVisible(false);
    FParts.Status->ShowStatus(LanguageTexts[QStringLiteral("CemaraNoLoaded")]);
    if (FCameraMessageShown)
        return;
    FCameraMessageShown = true;
    FParts.ShowInfo(LanguageTexts[busy ? QStringLiteral("CameraBusyMsg") : QStringLiteral("CameraLostMsg")]);
}

bool TStartupSequence::OpenCamera()
{
    FParts.Status->ShowStatus(LanguageTexts[QStringLiteral("CameraLoading")]);
    CamController->ApplyDefaultVideoFormat();
    FWindows.CamView()->SetViewFormat(vfVGA);
    FParts.CheckDefaultSize();
    if (!CamController->OpenCaptureWindow())
        return false; // the capture library's notice tells why
    FCameraMessageShown = false;
    FWindows.CamView()->ShowView();
    FParts.Status->ShowStatus(LanguageTexts[QStringLiteral("CemaraLoaded")]);
    FParts.SetCameraButtonsVisible(true);
    return true;
}
