// SPDX-License-Identifier: GPL-2.0-or-later
// logind's inhibitor locks (org.freedesktop.login1.Manager.Inhibit): the
// answer is a descriptor, and the lock lasts until every copy of it closes.
#pragma once

#include <QDBusPendingCall>
#include <QString>

#include <optional>

// Asks for a lock in Glimview's name: `what` ("sleep:idle", "shutdown:sleep"),
// `why` as desktops show it, `mode` "block" or "delay". Nothing without a
// system bus.
std::optional<QDBusPendingCall> AskLogindToInhibit(
    const QString& what, const QString& why, const QString& mode);
