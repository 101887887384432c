// SPDX-License-Identifier: GPL-2.0-or-later
// TSleepInhibitor: logind's "sleep" and "idle" inhibitors, held while a
// recording runs so that the computer neither suspends nor idles into a
// suspend mid-clip. logind hands out a file descriptor per inhibitor and
// lifts it when that is closed. Without a system bus (or logind) nothing is
// held, and recording goes on as before.
#pragma once

#include <QDBusUnixFileDescriptor>
#include <QObject>

class TSleepInhibitor : public QObject {
public:
    explicit TSleepInhibitor(QObject* parent = nullptr);

    // Asks logind for the inhibitors; the answer arrives later.
    void Hold();
    void Release();

private:
    QDBusUnixFileDescriptor FLock;
    // Counts the requests: an answer to one released meanwhile is dropped.
    quint64 FRequest = 0;
    bool FWanted = false;
};
