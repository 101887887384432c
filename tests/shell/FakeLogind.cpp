// SPDX-License-Identifier: GPL-2.0-or-later
// A stand-in for logind on a private bus, for the program tests: it owns
// org.freedesktop.login1 on the bus named by DBUS_SYSTEM_BUS_ADDRESS and
// prints "ready". Each line "shutdown" or "sleep" on its standard input
// emits PrepareForShutdown(true) or PrepareForSleep(true) from
// /org/freedesktop/login1 and prints "sent"; it ends with its input.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QSocketNotifier>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

bool EmitManagerSignal(QDBusConnection& bus, const QString& name)
{
    QDBusMessage signal = QDBusMessage::createSignal(
        QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"), name);
    signal << true;
    return bus.send(signal);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected() || !bus.registerService(QStringLiteral("org.freedesktop.login1"))) {
        std::fprintf(stderr, "fake logind: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    std::string pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char bytes[256];
        const ssize_t count = ::read(STDIN_FILENO, bytes, sizeof bytes);
        if (count <= 0) {
            QCoreApplication::quit();
            return;
        }
        pending.append(bytes, size_t(count));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            bool sent = false;
            if (line == "shutdown")
                sent = EmitManagerSignal(bus, QStringLiteral("PrepareForShutdown"));
            else if (line == "sleep")
                sent = EmitManagerSignal(bus, QStringLiteral("PrepareForSleep"));
            if (sent)
                bus.call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                    QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"),
                    QStringLiteral("GetId"))); // a round trip: the signal has left
            std::printf(sent ? "sent\n" : "failed\n");
            std::fflush(stdout);
        }
    });
    return app.exec();
}
