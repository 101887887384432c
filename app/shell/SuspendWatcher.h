// SPDX-License-Identifier: GPL-2.0-or-later
// Tells when the system is about to suspend, from logind's PrepareForSleep
// signal on the system bus; where there is no system bus it never fires.
#pragma once

#include <QObject>

class TSuspendWatcher : public QObject {
    Q_OBJECT
public:
    explicit TSuspendWatcher(QObject* parent = nullptr);
    bool Connected() const { return FConnected; }

signals:
    void suspending();

private slots:
    void PrepareForSleep(bool start);

private:
    bool FConnected = false;
};
