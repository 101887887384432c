// SPDX-License-Identifier: GPL-2.0-or-later
// TSnapshotCountdown: the self-timer's wait before a snapshot. Each second
// the time left is written on the status line, which screen readers
// announce, and shown in large digits over the live picture; at zero the
// snapshot is taken as the button takes it at once. A cancelled countdown
// gives the status line its text back.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QTimer;
class TCompanionWindows;
class TStatusLine;

class TSnapshotCountdown : public QObject {
public:
    TSnapshotCountdown(
        TStatusLine* status, const TCompanionWindows& windows, std::function<void()> takeSnapshot);

    void Start(int seconds);
    // Stops a running countdown; false when none ran.
    bool Cancel();
    bool Running() const;

private:
    void Tick();
    void Show() const;

    TStatusLine* FStatus;
    const TCompanionWindows& FWindows;
    std::function<void()> FTakeSnapshot;
    QTimer* FSecond;
    int FLeft = 0;
    QString FStatusBefore;
};
