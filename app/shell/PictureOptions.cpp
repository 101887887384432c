// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/PictureOptions.h"

#include "camera/CamControllerUnit.h"
#include "core/SettingsStore.h"
#include "core/WindowPositions.h"

#include <QAction>
#include <QActionGroup>

namespace {

const QString KeyMirror = QStringLiteral("MirrorPicture");
const QString KeySelfTimer = QStringLiteral("SelfTimer");
const QString KeyFlash = QStringLiteral("SnapshotFlash");

} // namespace

TPictureOptions::TPictureOptions(QAction* mirrorItem, QActionGroup* selfTimerItems, QAction* flashItem)
    : FMirrorItem(mirrorItem)
    , FSelfTimerItems(selfTimerItems)
    , FFlashItem(flashItem)
{
}

void TPictureOptions::Restore()
{
    const QString& section = SettingsKeys::MainController;
    const bool mirrored = SettingsStore->ReadBool(section, KeyMirror, false);
    FMirrorItem->setChecked(mirrored);
    // The capture library starts unmirrored.
    if (mirrored)
        CamController->SetPreviewMirror(true);
    CheckSelfTimer(SettingsStore->ReadInteger(section, KeySelfTimer, 0));
    FFlashItem->setChecked(SettingsStore->ReadBool(section, KeyFlash, true));
}

void TPictureOptions::MirrorToggled()
{
    const bool mirrored = FMirrorItem->isChecked();
    CamController->SetPreviewMirror(mirrored);
    SettingsStore->WriteBool(SettingsKeys::MainController, KeyMirror, mirrored);
}

void TPictureOptions::SelfTimerChosen(QAction* item)
{
    CheckSelfTimer(item->data().toInt());
    SettingsStore->WriteInteger(SettingsKeys::MainController, KeySelfTimer, SelfTimerSeconds());
}

void TPictureOptions::FlashToggled()
{
    SettingsStore->WriteBool(SettingsKeys::MainController, KeyFlash, FFlashItem->isChecked());
}

void TPictureOptions::StepSelfTimer()
{
    const QList<QAction*> items = FSelfTimerItems->actions();
    const qsizetype next = (items.indexOf(FSelfTimerItems->checkedAction()) + 1) % items.size();
    SelfTimerChosen(items[next]);
}

int TPictureOptions::SelfTimerSeconds() const
{
    const QAction* checked = FSelfTimerItems->checkedAction();
    return checked ? checked->data().toInt() : 0;
}

bool TPictureOptions::Flash() const { return FFlashItem->isChecked(); }

void TPictureOptions::CheckSelfTimer(int seconds)
{
    // A stored value no item carries (an edited file) means Off.
    QAction* chosen = FSelfTimerItems->actions().constFirst();
    for (QAction* item : FSelfTimerItems->actions())
        if (item->data().toInt() == seconds)
            chosen = item;
    chosen->setChecked(true);
}
