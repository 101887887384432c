// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/ShutdownDelayLock.h"

#include "core/LanguageTexts.h"
#include "shell/ShellLogging.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

// The galleries change in many places (snapshots, recordings, saves,
// deletions); a look each second costs nothing, and a shutdown that comes
// sooner still finds every capture saved by the notice it sends.
constexpr int LookIntervalMs = 1000;

} // namespace

TShutdownDelayLock::TShutdownDelayLock(std::function<bool()> hasUnsaved, QObject* parent)
    : QObject(parent)
    , FHasUnsaved(std::move(hasUnsaved))
{
    connect(&FLook, &QTimer::timeout, this, &TShutdownDelayLock::Update);
    FLook.start(LookIntervalMs);
}

void TShutdownDelayLock::Update()
{
    const bool wanted = FHasUnsaved && FHasUnsaved();
    if (FAsking || wanted == IsHeld())
        return;
    if (!wanted) {
        FLock = QDBusUnixFileDescriptor();
        qCDebug(lcShell, "everything is saved: shutdowns no longer wait");
        return;
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
        QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
        QStringLiteral("Inhibit"));
    call << QStringLiteral("shutdown:sleep") << QStringLiteral("Glimview")
         << LanguageTexts[QStringLiteral("UnsavedInhibitMsg")] << QStringLiteral("delay");
    // Asked without blocking the windows; a look while the answer is on
    // its way asks nothing more.
    FAsking = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        FAsking = false;
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
        if (reply.isError()) {
            qCInfo(lcShell, "no shutdown delay: %s", qPrintable(reply.error().message()));
            FLook.stop(); // logind is not there: not asked again at every look
            return;
        }
        FLock = reply.value();
        qCDebug(lcShell, "unsaved captures: shutdowns wait for their save");
        Update(); // everything may have been saved meanwhile
    });
}
