// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/SuspendWatcher.h"

#include <QDBusConnection>

TSuspendWatcher::TSuspendWatcher(QObject* parent)
    : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    FConnected = bus.connect(QStringLiteral("org.freedesktop.login1"),
        QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
        QStringLiteral("PrepareForSleep"), this, SLOT(PrepareForSleep(bool)));
}

void TSuspendWatcher::PrepareForSleep(bool start)
{
    if (start)
        emit suspending();
}
