// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/SessionEndWatcher.h"

#include <QDBusConnection>
#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The handler only writes a byte; everything else happens in the event loop.
int SignalPipe[2] = { -1, -1 };

void OnEndSignal(int number)
{
    const int saved = errno;
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

void TSessionEndWatcher::CatchEndSignals()
{
    if (SignalPipe[0] >= 0 || ::pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action { };
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : { SIGTERM, SIGINT, SIGHUP })
        ::sigaction(number, &action, nullptr);
}

TSessionEndWatcher::TSessionEndWatcher(QObject* parent)
    : QObject(parent)
{
    if (SignalPipe[0] >= 0) {
        FNotifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, this);
        connect(FNotifier, &QSocketNotifier::activated, this, &TSessionEndWatcher::ReadSignals);
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    if (bus.isConnected())
        bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForShutdown"), this,
            SLOT(PrepareForShutdown(bool)));
}

void TSessionEndWatcher::ReadSignals()
{
    std::array<char, 16> bytes {};
    bool caught = false;
    while (::read(SignalPipe[0], bytes.data(), bytes.size()) > 0)
        caught = true;
    if (caught)
        emit sessionEnding();
}

void TSessionEndWatcher::PrepareForShutdown(bool start)
{
    if (start)
        emit sessionEnding();
}
