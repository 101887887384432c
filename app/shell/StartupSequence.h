// SPDX-License-Identifier: GPL-2.0-or-later
// TStartupSequence: how the camera comes up. At the program's start, in the
// stages of tmSystem: the colour depth check, the device lists, a pause, the
// opening and a test clip. Later, a camera that is lost leaves the panel
// without its camera buttons, and one that comes back opens by itself.
#pragma once

class QWidget;
class TCaptureFlows;
class TDeviceMenus;
class TMainForm;
struct TMainFormControls;

class TStartupSequence {
public:
    TStartupSequence(
        TMainForm& form, const TMainFormControls& ui, TDeviceMenus& devices, TCaptureFlows& capture);

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
    TMainForm& FForm;
    const TMainFormControls& FUi;
    TDeviceMenus& FDevices;
    TCaptureFlows& FCapture;
    int FStage;
    bool FCameraMessageShown = false; // for the current loss of the camera
};
