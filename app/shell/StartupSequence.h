// SPDX-License-Identifier: GPL-2.0-or-later
// TStartupSequence: how the camera comes up. At the program's start, in the
// stages of tmSystem: the colour depth check, the device lists, a pause, the
// opening and a test clip. Later, a camera that is lost leaves the panel
// without its camera buttons, and one that comes back opens by itself.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>

class QAction;
class QTimer;
class QWidget;
class TCaptureFlows;
class TCompanionWindows;
class TDeviceMenus;
class TStatusLine;

class TStartupSequence {
public:
    // The stages of tmSystem.
    enum : int { ssNotRun = 0, ssCameraStep = 1, ssFinished = 2, ssLowColour = 100 };

    // The panel's parts the start-up works, and what it asks of the window.
    struct TParts {
        TStatusLine* Status;
        QTimer* StageTimer; // tmSystem
        QAction* AsfItem; // the file type a camera starts with
        std::function<QAction*(int32_t videoType)> FileTypeItem;
        // Checks the picture size a camera opens at.
        std::function<void()> CheckDefaultSize;
        std::function<void(bool visible)> SetCameraButtonsVisible;
        std::function<int()> ScreenDepth;
        std::function<void(int ms)> Pause;
        std::function<void(const QString& text)> ShowInfo;
        std::function<bool()> IsClosing;
    };

    TStartupSequence(
        TParts parts, const TCompanionWindows& windows, TDeviceMenus& devices, TCaptureFlows& capture);

    // The seams' defaults: the colour depth of the window's screen, and a
    // wait that keeps the windows painted but holds the user's input back,
    // so that no handler runs in the middle of the start-up.
    static int ScreenDepthOf(const QWidget* window);
    static void ResponsivePause(int ms);

    // One tick of tmSystem.
    void Step();
    int Stage() const { return FStage; }
    // The camera failed or another program holds it.
    void CameraLost(bool busy);
    // Opens the chosen camera without the start-up's pause and test clip.
    bool OpenCamera();

private:
    TParts FParts;
    const TCompanionWindows& FWindows;
    TDeviceMenus& FDevices;
    TCaptureFlows& FCapture;
    int FStage;
    bool FCameraMessageShown = false; // for the current loss of the camera
};
