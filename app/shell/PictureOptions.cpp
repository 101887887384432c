// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/PictureOptions.h"

#include "camera/CamControllerUnit.h"
#include "core/SettingsStore.h"
#include "core/WindowPositions.h"
#include "shell/MainFormControls.h"

#include <QAction>
#include <QActionGroup>

namespace {

const QString KeyMirror = QStringLiteral("MirrorPicture");
const QString KeySelfTimer = QStringLiteral("SelfTimer");
const QString KeyFlash = QStringLiteral("SnapshotFlash");

} // namespace

TPictureOptions::TPictureOptions(const TMainFormControls& ui)
    : FUi(ui)
{
}

void TPictureOptions::Restore()
{
    const QString& section = SettingsKeys::MainController;
    const bool mirrored = SettingsStore->ReadBool(section, KeyMirror, false);
    FUi.pmiMirror->setChecked(mirrored);
    // The capture library starts unmirrored.
    if (mirrored)
        CamController->SetPreviewMirror(true);
    CheckSelfTimer(SettingsStore->ReadInteger(section, KeySelfTimer, 0));
    FUi.pmiFlash->setChecked(SettingsStore->ReadBool(section, KeyFlash, true));
}

void TPictureOptions::MirrorToggled()
{
    const bool mirrored = FUi.pmiMirror->isChecked();
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
    SettingsStore->WriteBool(SettingsKeys::MainController, KeyFlash, FUi.pmiFlash->isChecked());
}

void TPictureOptions::StepSelfTimer()
{
    const QList<QAction*> items = FUi.SelfTimerItems();
    const qsizetype next = (items.indexOf(FUi.pmiSelfTimerItems->checkedAction()) + 1) % items.size();
    SelfTimerChosen(items[next]);
}

int TPictureOptions::SelfTimerSeconds() const
{
    const QAction* checked = FUi.pmiSelfTimerItems->checkedAction();
    return checked ? checked->data().toInt() : 0;
}

bool TPictureOptions::Flash() const { return FUi.pmiFlash->isChecked(); }

void TPictureOptions::CheckSelfTimer(int seconds)
{
    // A stored value no item carries (an edited file) means Off.
    QAction* chosen = FUi.pmiSelfTimerOff;
    for (QAction* item : FUi.SelfTimerItems())
        if (item->data().toInt() == seconds)
            chosen = item;
    chosen->setChecked(true);
}
