// SPDX-License-Identifier: GPL-2.0-or-later
// Messages between processes of the same user, addressed by a window title.
//
// A port is a Unix socket in the user's private runtime folder
// ($XDG_RUNTIME_DIR when it is the user's and closed to others, else a 0700
// folder under the user's own state folder; see runtimefolder.h),
// named exactly after the title; both ends
// check that the other runs as the same user. "A window with this title
// exists" means "a port of this name accepts a connection". A message is one
// ASCII line, "number wParam lParam\n", one message per connection.
//
// Which process owns a title is decided by an exclusive lock on the file
// "<title>.lock" beside the socket, held for the owner's life: only the
// holder listens, and only the holder ever deletes the socket file, so a
// slow or refused connection never makes a live port look stale.
#pragma once

#include <QByteArray>
#include <QList>
#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>

struct TPortMessage {
    quint32 Number = 0;
    qint64 WParam = 0;
    qint64 LParam = 0;

    bool operator==(const TPortMessage&) const = default;
};

// The folder that holds the ports; empty when no safe folder can be had.
QString MessagePortFolder();
// The folder the ports belong in, whether or not it can be had: the one a
// message names when it cannot.
QString WantedMessagePortFolder();
// The socket file of a title; empty for a title that cannot name a file.
QString MessagePortPath(const QString& title);

QByteArray FormatPortMessage(const TPortMessage& message);
// Nothing for anything but three decimal numbers, single spaces, one line feed.
std::optional<TPortMessage> ParsePortMessage(const QByteArray& line);

bool MessagePortExists(const QString& title);
bool PostPortMessage(const QString& title, quint32 number, qint64 wParam, qint64 lParam);
// Posts to the owner of a title, trying again until the deadline while the
// owner is still opening its port.
bool PostPortMessageWithin(
    const QString& title, quint32 number, qint64 wParam, qint64 lParam, int deadlineMs);

// The exclusive lock on a title, taken at once (never waited for) and held
// until the object goes; the lock of a process that ended is free again.
class TInstanceLock {
public:
    explicit TInstanceLock(const QString& title);
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    bool IsHeld() const { return FFd >= 0; }
    // Another process holds it; false when the lock could not be had at all
    // (no private folder, no lock file).
    bool IsTakenByAnother() const { return FTakenByAnother; }
    QString Title() const { return FTitle; }

private:
    QString FTitle;
    int FFd = -1;
    bool FTakenByAnother = false;
};

class TMessagePort : public QObject {
    Q_OBJECT

public:
    // Longest line a client may send, and how long it may take to send it.
    static constexpr qint64 MaxLineLength = 64;
    static constexpr int ClientTimeoutMs = 2000;
    // Clients served at once; beyond it the oldest is closed, so a flood of
    // connections can neither use up the program's descriptors nor keep a
    // real message out.
    static constexpr int MaxClients = 32;

    // Listens at once when the lock is held, replacing whatever a crashed
    // owner left at the socket's path; without the lock it does not listen.
    // The lock must outlive the port.
    explicit TMessagePort(const TInstanceLock& lock, QObject* parent = nullptr);
    // The same with a lock of the port's own.
    explicit TMessagePort(const QString& title, QObject* parent = nullptr);
    ~TMessagePort() override;

    bool IsListening() const { return FServer.isListening(); }
    QString ServerPath() const { return FServer.fullServerName(); }

    // Messages of other numbers are ignored.
    void AcceptMessage(quint32 number) { FAccepted.insert(number); }

signals:
    // senderPid: the process that sent it, as the kernel vouches for it.
    void messageReceived(quint32 number, qint64 wParam, qint64 lParam, qint64 senderPid);

private:
    void Listen(const QString& title);
    void AcceptClients();

    std::unique_ptr<TInstanceLock> FOwnLock;
    QLocalServer FServer;
    QSet<quint32> FAccepted;
    QList<QPointer<QLocalSocket>> FClients; // oldest first
};
