// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/SleepInhibitor.h"

#include "shell/ShellLogging.h"

#include "shell/LogindInhibit.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

TSleepInhibitor::TSleepInhibitor(QObject* parent)
    : QObject(parent)
{
}

void TSleepInhibitor::Hold()
{
    FWanted = true;
    if (FLock.isValid())
        return;
    const auto asked = AskLogindToInhibit(
        QStringLiteral("sleep:idle"), QStringLiteral("Recording video"), QStringLiteral("block"));
    if (!asked)
        return;
    const quint64 request = ++FRequest;
    auto* watcher = new QDBusPendingCallWatcher(*asked, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, request](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
        if (reply.isError()) {
            qCInfo(lcShell) << "no sleep inhibitor:" << reply.error().message();
            return;
        }
        // Released, or asked again, meanwhile: this lock closes with the reply.
        if (request == FRequest && FWanted)
            FLock = reply.value();
    });
}

void TSleepInhibitor::Release()
{
    FWanted = false;
    ++FRequest;
    // Closing our copy of the descriptor lifts the inhibitors.
    FLock = QDBusUnixFileDescriptor();
}
