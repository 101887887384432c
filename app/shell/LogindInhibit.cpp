// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/LogindInhibit.h"

#include <QDBusConnection>
#include <QDBusMessage>

std::optional<QDBusPendingCall> AskLogindToInhibit(
    const QString& what, const QString& why, const QString& mode)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return std::nullopt;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
        QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
        QStringLiteral("Inhibit"));
    // What, who, why and how, as systemd-inhibit shows them.
    call << what << QStringLiteral("Glimview") << why << mode;
    return bus.asyncCall(call, 5000);
}
