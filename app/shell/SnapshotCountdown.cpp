// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/SnapshotCountdown.h"

#include "camera/CamViewFrm.h"
#include "core/ErrorGuard.h"
#include "core/LanguageTexts.h"
#include "shell/CompanionWindows.h"
#include "widgets/StatusLine.h"

#include <QLabel>
#include <QTimer>

TSnapshotCountdown::TSnapshotCountdown(
    TStatusLine* status, const TCompanionWindows& windows, std::function<void()> takeSnapshot)
    : FStatus(status)
    , FWindows(windows)
    , FTakeSnapshot(std::move(takeSnapshot))
    , FSecond(new QTimer(this))
{
    FSecond->setInterval(1000);
    connect(FSecond, &QTimer::timeout, this, Guarded([this] { Tick(); }));
}

bool TSnapshotCountdown::Running() const { return FSecond->isActive(); }

void TSnapshotCountdown::Start(int seconds)
{
    FStatusBefore = FStatus->text();
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
    if (TCamViewForm* view = FWindows.CamView())
        view->ShowCountdown(0);
    FStatus->ShowStatus(FStatusBefore);
    return true;
}

void TSnapshotCountdown::Tick()
{
    if (--FLeft > 0) {
        Show();
        return;
    }
    FSecond->stop();
    if (TCamViewForm* view = FWindows.CamView())
        view->ShowCountdown(0);
    FTakeSnapshot();
}

void TSnapshotCountdown::Show() const
{
    FStatus->ShowStatus(LanguageText(QStringLiteral("CountdownStatus"), FLeft));
    if (TCamViewForm* view = FWindows.CamView())
        view->ShowCountdown(FLeft);
}
