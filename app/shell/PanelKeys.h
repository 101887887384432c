// SPDX-License-Identifier: GPL-2.0-or-later
// The keys that work the camera from any of Glimview's windows: Space takes a
// snapshot, R starts or stops a recording, P and V show or hide the photo and
// video galleries, C opens the camera settings, F11 and Esc go into and out
// of full screen (Esc first stops a self-timer's countdown), M mirrors the
// live picture, T steps through the self-timer's choices, Shift+F10 and the
// Menu key open the main menu, Ctrl+W and Ctrl+M close and minimise. A key
// stands for its button and presses it the way the mouse does, only while
// the button shows and is enabled; the galleries' own keys are theirs.
#pragma once

#include <QKeyCombination>

#include <functional>

class QAction;
class QWidget;
class TCompanionWindows;
class TImageButton;

// The buttons' keys, which their tooltips name too.
constexpr QKeyCombination SnapshotKey { Qt::Key_Space };
constexpr QKeyCombination RecordKey { Qt::Key_R };
constexpr QKeyCombination PhotoGalleryKey { Qt::Key_P };
constexpr QKeyCombination VideoGalleryKey { Qt::Key_V };
constexpr QKeyCombination CameraSettingsKey { Qt::Key_C };
constexpr QKeyCombination MinimizeKey { Qt::CTRL | Qt::Key_M };
constexpr QKeyCombination CloseKey { Qt::CTRL | Qt::Key_W };

// What the keys press and open.
struct TPanelKeyTargets {
    QWidget* Panel;
    TImageButton* SnapshotButton;
    TImageButton* RecordButton;
    TImageButton* PhotoGalleryButton;
    TImageButton* VideoGalleryButton;
    TImageButton* CameraSettingsButton;
    TImageButton* MinimizeButton;
    TImageButton* CloseButton;
    TImageButton* PictureSizeButton; // full screen is in its menu
    QAction* FullScreenItem;
    QAction* MirrorItem;
    // Stops the self-timer's countdown; false when none ran.
    std::function<bool()> CancelCountdown;
    std::function<void()> StepSelfTimer;
    // The main menu over window's focused part.
    std::function<void(QWidget* window)> ShowMainMenuIn;
};

void InstallPanelKeys(const TPanelKeyTargets& targets, const TCompanionWindows& windows);
