// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/PanelKeys.h"

#include "camera/CamViewFrm.h"
#include "core/ErrorGuard.h"
#include "gallery/PhotosFrm.h"
#include "gallery/VideosFrm.h"
#include "shell/CompanionWindows.h"
#include "widgets/ImageButton.h"

#include <QAction>
#include <QPointer>
#include <QShortcut>

#include <functional>

namespace {

bool Pressable(const TImageButton* button) { return button && button->isVisible() && button->isEnabled(); }

// Each window answers its keys only while it is the active window.
void Bind(QWidget* window, const QKeySequence& key, std::function<void()> action)
{
    auto* shortcut = new QShortcut(key, window);
    shortcut->setAutoRepeat(false);
    QObject::connect(shortcut, &QShortcut::activated, window, Guarded(std::move(action)));
}

void BindButton(QWidget* window, const QKeySequence& key, TImageButton* button)
{
    Bind(window, key, [button = QPointer<TImageButton>(button)] {
        if (Pressable(button))
            button->click();
    });
}

} // namespace

void InstallPanelKeys(const TPanelKeyTargets& targets, const TCompanionWindows& windows)
{
    auto fullScreenOn = [&windows, format = QPointer<TImageButton>(targets.PictureSizeButton),
                            fullScreen = QPointer<QAction>(targets.FullScreenItem)] {
        TCamViewForm* view = windows.CamView();
        if (!view)
            return;
        if (view->FullScreen()) {
            view->LeaveFullScreen();
            return;
        }
        // Full screen is an item of the picture size menu: it is there when
        // that menu's button is.
        if (Pressable(format) && fullScreen && fullScreen->isEnabled())
            fullScreen->trigger();
    };
    auto fullScreenOff = [&windows, cancelCountdown = targets.CancelCountdown] {
        // Esc first stops a self-timer's countdown.
        if (cancelCountdown())
            return;
        TCamViewForm* view = windows.CamView();
        if (view && view->FullScreen())
            view->LeaveFullScreen();
    };
    auto mainMenu = [&targets](QWidget* window) {
        return [show = targets.ShowMainMenuIn, window = QPointer<QWidget>(window)] {
            if (window)
                show(window);
        };
    };

    const QList<QWidget*> keyWindows { targets.Panel, windows.Photos(), windows.Videos(), windows.CamView() };
    for (QWidget* window : keyWindows) {
        BindButton(window, QKeySequence(SnapshotKey), targets.SnapshotButton);
        BindButton(window, QKeySequence(RecordKey), targets.RecordButton);
        BindButton(window, QKeySequence(PhotoGalleryKey), targets.PhotoGalleryButton);
        BindButton(window, QKeySequence(VideoGalleryKey), targets.VideoGalleryButton);
        BindButton(window, QKeySequence(CameraSettingsKey), targets.CameraSettingsButton);
        BindButton(window, QKeySequence(MinimizeKey), targets.MinimizeButton);
        Bind(window, QKeySequence(Qt::SHIFT | Qt::Key_F10), mainMenu(window));
        Bind(window, QKeySequence(Qt::Key_Menu), mainMenu(window));
        Bind(window, QKeySequence(Qt::Key_F11), fullScreenOn);
        Bind(window, QKeySequence(Qt::Key_M), [mirror = QPointer<QAction>(targets.MirrorItem)] {
            if (mirror && mirror->isEnabled())
                mirror->trigger();
        });
        Bind(window, QKeySequence(Qt::Key_T), targets.StepSelfTimer);
        // The live view leaves full screen on Esc by itself.
        if (window != windows.CamView())
            Bind(window, QKeySequence(Qt::Key_Escape), fullScreenOff);
    }
    // The galleries close themselves on Ctrl+W; the panel's Ctrl+W ends the program.
    BindButton(targets.Panel, QKeySequence(CloseKey), targets.CloseButton);
}
