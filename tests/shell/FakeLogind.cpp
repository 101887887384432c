// SPDX-License-Identifier: GPL-2.0-or-later
// A stand-in for logind on a private bus, for the program tests: it owns
// org.freedesktop.login1 on the bus named by DBUS_SYSTEM_BUS_ADDRESS and
// prints "ready". Each line "shutdown" or "sleep" on its standard input
// emits PrepareForShutdown(true) or PrepareForSleep(true) from
// /org/freedesktop/login1 and prints "sent"; it ends with its input.
//
// Its Manager answers Inhibit(what, who, why, mode) as logind does, with the
// writing end of a pipe, and prints "inhibit WHAT|WHO|WHY|MODE"; once the
// caller has closed every copy of that end it prints "released WHAT".
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QSocketNotifier>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

void PrintLine(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

class TManager : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override
    {
        return QStringLiteral("<interface name=\"org.freedesktop.login1.Manager\">"
                              "<method name=\"Inhibit\"><arg type=\"s\" direction=\"in\"/>"
                              "<arg type=\"s\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
                              "<arg type=\"s\" direction=\"in\"/><arg type=\"h\" direction=\"out\"/>"
                              "</method></interface>");
    }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != QStringLiteral("org.freedesktop.login1.Manager")
            || message.member() != QStringLiteral("Inhibit") || message.signature() != QStringLiteral("ssss"))
            return false;
        const QList<QVariant> args = message.arguments();
        int ends[2];
        if (::pipe(ends) != 0) {
            connection.send(message.createErrorReply(QDBusError::Failed, QStringLiteral("no pipe")));
            return true;
        }
        const QString what = args[0].toString();
        PrintLine(QStringLiteral("inhibit ") + what + u'|' + args[1].toString() + u'|' + args[2].toString()
            + u'|' + args[3].toString());
        // The reply carries a copy of the writing end; ours closes at once.
        connection.send(message.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]))));
        ::close(ends[1]);
        auto* held = new QSocketNotifier(ends[0], QSocketNotifier::Read);
        QObject::connect(held, &QSocketNotifier::activated, [held, what, fd = ends[0]] {
            char byte;
            if (::read(fd, &byte, 1) > 0)
                return;
            PrintLine(QStringLiteral("released ") + what);
            held->setEnabled(false);
            held->deleteLater();
            ::close(fd);
        });
        return true;
    }
};

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
    TManager manager;
    if (!bus.registerVirtualObject(QStringLiteral("/org/freedesktop/login1"), &manager)) {
        std::fprintf(stderr, "fake logind: cannot serve the manager\n");
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
