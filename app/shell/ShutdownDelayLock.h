// SPDX-License-Identifier: GPL-2.0-or-later
// logind's "delay" inhibitor for shutdown and sleep, held while the user has
// photos or clips that are not saved: a shutdown then waits the few seconds
// the program takes to save them (see SessionSave) before it goes on.
#pragma once

#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QTimer>

#include <functional>

class TShutdownDelayLock : public QObject {
    Q_OBJECT
public:
    // `hasUnsaved` tells whether anything waits to be saved.
    explicit TShutdownDelayLock(std::function<bool()> hasUnsaved, QObject* parent = nullptr);

    bool IsHeld() const { return FLock.isValid(); }

private:
    void Update();

    std::function<bool()> FHasUnsaved;
    QDBusUnixFileDescriptor FLock; // logind lets go when this descriptor closes
    QTimer FLook;
    bool FAsking = false;
};
