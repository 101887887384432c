// SPDX-License-Identifier: GPL-2.0-or-later
// Messages between processes of the same user, addressed by a window title.
//
// A port is a Unix socket in the user's runtime folder ($XDG_RUNTIME_DIR, or
// /tmp/glimview-UID with mode 0700), named exactly after the title, reachable
// by its owner only. "A window with this title exists" means "a port of this
// name accepts a connection". A message is one ASCII line,
// "number wParam lParam\n", one message per connection.
#pragma once

#include <QByteArray>
#include <QLocalServer>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

struct TPortMessage {
    quint32 Number = 0;
    qint64 WParam = 0;
    qint64 LParam = 0;

    bool operator==(const TPortMessage&) const = default;
};

// The folder that holds the ports; empty when no safe folder can be had.
QString MessagePortFolder();
// The socket file of a title; empty for a title that cannot name a file.
QString MessagePortPath(const QString& title);

QByteArray FormatPortMessage(const TPortMessage& message);
// Nothing for anything but three decimal numbers, single spaces, one line feed.
std::optional<TPortMessage> ParsePortMessage(const QByteArray& line);

bool MessagePortExists(const QString& title);
bool PostPortMessage(const QString& title, quint32 number, qint64 wParam, qint64 lParam);

class TMessagePort : public QObject {
    Q_OBJECT

public:
    // Longest line a client may send, and how long it may take to send it.
    static constexpr qint64 MaxLineLength = 64;
    static constexpr int ClientTimeoutMs = 2000;

    // Listens at once. A live port of the same title is left alone (this one
    // then does not listen); a socket file left by a crashed process is
    // replaced.
    explicit TMessagePort(const QString& title, QObject* parent = nullptr);

    bool IsListening() const { return FServer.isListening(); }
    QString ServerPath() const { return FServer.fullServerName(); }

    // Messages of other numbers are ignored.
    void AcceptMessage(quint32 number) { FAccepted.insert(number); }

signals:
    void messageReceived(quint32 number, qint64 wParam, qint64 lParam);

private:
    void AcceptClients();

    QLocalServer FServer;
    QSet<quint32> FAccepted;
};
