// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/SnapshotCountdown.h"

#include "camera/CamViewFrm.h"
#include "core/ErrorGuard.h"
#include "core/LanguageTexts.h"
#include "shell/MainFormControls.h"
#include "shell/MainFrm.h"
#include "widgets/StatusLine.h"

#include <QLabel>
#include <QTimer>

TSnapshotCountdown::TSnapshotCountdown(
    TMainForm& form, const TMainFormControls& ui, std::function<void()> takeSnapshot)
    : FForm(form)
    , FUi(ui)
    , FTakeSnapshot(std::move(takeSnapshot))
    , FSecond(new QTimer(this))
{
    FSecond->setInterval(1000);
    connect(FSecond, &QTimer::timeout, this, Guarded([this] { Tick(); }));
}

bool TSnapshotCountdown::Running() const { return FSecond->isActive(); }

void TSnapshotCountdown::Start(int seconds)
{
    FStatusBefore = FUi.lblStatus->text();
    FLeft = seconds;
    FSecond->start();
    Show();
}

bool TSnapshotCountdown::Cancel()
{
    if (!Running())
        return false;
    FSecond->stop();
    FLeft = 0;
    if (TCamViewForm* view = FForm.CamView())
        view->ShowCountdown(0);
    FUi.lblStatus->ShowStatus(FStatusBefore);
    return true;
}

void TSnapshotCountdown::Tick()
{
    if (--FLeft > 0) {
        Show();
        return;
    }
    FSecond->stop();
    if (TCamViewForm* view = FForm.CamView())
        view->ShowCountdown(0);
    FTakeSnapshot();
}

void TSnapshotCountdown::Show() const
{
    FUi.lblStatus->ShowStatus(LanguageText(QStringLiteral("CountdownStatus"), FLeft));
    if (TCamViewForm* view = FForm.CamView())
        view->ShowCountdown(FLeft);
}
