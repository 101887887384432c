// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/PanelKeys.h"

#include "camera/CamViewFrm.h"
#include "core/ErrorGuard.h"
#include "gallery/PhotosFrm.h"
#include "gallery/VideosFrm.h"
#include "shell/MainFrm.h"
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
            button->Press();
    });
}

} // namespace

void InstallPanelKeys(TMainForm* mainForm, const TMainFormControls& ui)
{
    QPointer<TMainForm> form(mainForm);
    auto fullScreenOn = [form, controls = &ui] {
        TCamViewForm* view = form ? form->CamView() : nullptr;
        if (!view)
            return;
        if (view->FullScreen()) {
            view->LeaveFullScreen();
            return;
        }
        // Full screen is an item of the picture size menu: it is there when
        // that menu's button is.
        if (Pressable(controls->imgbFormat) && controls->pmiFullScreen->isEnabled())
            controls->pmiFullScreen->trigger();
    };
    auto fullScreenOff = [form] {
        // Esc first stops a self-timer's countdown.
        if (form && form->CancelCountdown())
            return;
        TCamViewForm* view = form ? form->CamView() : nullptr;
        if (view && view->FullScreen())
            view->LeaveFullScreen();
    };

    auto mainMenu = [form](QWidget* window) {
        return [form, window = QPointer<QWidget>(window)] {
            if (form && window)
                form->ShowMainMenuIn(window);
        };
    };

    const QList<QWidget*> windows { mainForm, mainForm->Photos(), mainForm->Videos(), mainForm->CamView() };
    for (QWidget* window : windows) {
        BindButton(window, QKeySequence(SnapshotKey), ui.imgbSnapshot);
        BindButton(window, QKeySequence(RecordKey), ui.imgbRecord);
        BindButton(window, QKeySequence(PhotoGalleryKey), ui.imgbImage);
        BindButton(window, QKeySequence(VideoGalleryKey), ui.imgbVideo);
        BindButton(window, QKeySequence(CameraSettingsKey), ui.imgbControl);
        BindButton(window, QKeySequence(MinimizeKey), ui.imgbHide);
        Bind(window, QKeySequence(Qt::SHIFT | Qt::Key_F10), mainMenu(window));
        Bind(window, QKeySequence(Qt::Key_Menu), mainMenu(window));
        Bind(window, QKeySequence(Qt::Key_F11), fullScreenOn);
        Bind(window, QKeySequence(Qt::Key_M), [mirror = QPointer<QAction>(ui.pmiMirror)] {
            if (mirror && mirror->isEnabled())
                mirror->trigger();
        });
        Bind(window, QKeySequence(Qt::Key_T), [form] {
            if (form)
                form->StepSelfTimer();
        });
        // The live view leaves full screen on Esc by itself.
        if (window != mainForm->CamView())
            Bind(window, QKeySequence(Qt::Key_Escape), fullScreenOff);
    }
    // The galleries close themselves on Ctrl+W; the panel's Ctrl+W ends the program.
    BindButton(mainForm, QKeySequence(CloseKey), ui.imgbClose);
}
