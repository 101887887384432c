// SPDX-License-Identifier: GPL-2.0-or-later
// Tells when the session or the process is asked to end: SIGTERM, SIGINT and
// SIGHUP (a logout, a kill, Ctrl+C in a terminal) and logind's
// PrepareForShutdown. Signals are caught from CatchEndSignals() on, and
// delivered through the event loop once a watcher exists, so the program
// closes its windows the normal way instead of dying where it stands.
#pragma once

#include <QObject>

class QSocketNotifier;

class TSessionEndWatcher : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; a signal that arrives before the watcher
    // exists waits for it. Call once, early.
    static void CatchEndSignals();

    explicit TSessionEndWatcher(QObject* parent = nullptr);

signals:
    void sessionEnding();

private slots:
    void PrepareForShutdown(bool start);

private:
    void ReadSignals();

    QSocketNotifier* FNotifier = nullptr;
};
