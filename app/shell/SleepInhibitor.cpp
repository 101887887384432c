// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/SleepInhibitor.h"

#include "shell/ShellLogging.h"

#include <QDBusConnection>
#include <QDBusMessage>
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
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
        QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
        QStringLiteral("Inhibit"));
    // What, who, why and how, as systemd-inhibit shows them.
    call << QStringLiteral("sleep:idle") << QStringLiteral("Glimview") << QStringLiteral("Recording video")
         << QStringLiteral("block");
    const quint64 request = ++FRequest;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
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
