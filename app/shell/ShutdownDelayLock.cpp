// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/ShutdownDelayLock.h"

#include "core/LanguageTexts.h"
#include "shell/LogindInhibit.h"
#include "shell/ShellLogging.h"

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
    const auto asked = AskLogindToInhibit(QStringLiteral("shutdown:sleep"),
        LanguageTexts[QStringLiteral("UnsavedInhibitMsg")], QStringLiteral("delay"));
    if (!asked)
        return;
    FAsking = true;
    auto* watcher = new QDBusPendingCallWatcher(*asked, this);
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
