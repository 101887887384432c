// SPDX-License-Identifier: GPL-2.0-or-later
// TPictureOptions: the main menu's picture items, the mirrored live picture,
// the self-timer and the snapshot's flash. They are read from the settings
// store when the window is made and written back at each change, so a
// restart keeps them; a new user starts unmirrored, without a timer, with
// the flash.
#pragma once

class QAction;
class QActionGroup;

class TPictureOptions {
public:
    // The self-timer's items come Off first, each carrying its seconds.
    TPictureOptions(QAction* mirrorItem, QActionGroup* selfTimerItems, QAction* flashItem);

    // Checks the stored choices and hands the mirror to the camera controller.
    void Restore();
    // The items' handlers: the item is already checked or unchecked.
    void MirrorToggled();
    void SelfTimerChosen(QAction* item);
    void FlashToggled();
    // The key T: Off, 3 s, 10 s and round again.
    void StepSelfTimer();

    // 0 when a snapshot is taken at once.
    int SelfTimerSeconds() const;
    bool Flash() const;

private:
    void CheckSelfTimer(int seconds);

    QAction* FMirrorItem;
    QActionGroup* FSelfTimerItems;
    QAction* FFlashItem;
};
