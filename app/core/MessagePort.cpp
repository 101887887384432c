// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/MessagePort.h"

#include "core/CoreLogging.h"
#include "runtimefolder.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QVariant>

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int ClientWaitMs = 1000;
constexpr int HandOverRetryMs = 50;

// The process at the other end of a connected local socket; pid 0 when the
// kernel cannot tell.
ucred Peer(const QLocalSocket& socket)
{
    ucred peer { 0, uid_t(-1), gid_t(-1) };
    socklen_t length = sizeof peer;
    const int fd = int(socket.socketDescriptor());
    if (fd < 0 || ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0)
        return { 0, uid_t(-1), gid_t(-1) };
    return peer;
}

bool PeerIsThisUser(const QLocalSocket& socket) { return Peer(socket).uid == ::geteuid(); }

// Makes room for the socket at `path`: whatever is there was left by an
// earlier owner of the lock. Called only by the lock's holder.
void ClearSocketPath(const QByteArray& path)
{
    struct stat info { };
    if (::lstat(path.constData(), &info) != 0)
        return;
    if (S_ISDIR(info.st_mode))
        ::rmdir(path.constData());
    else
        ::unlink(path.constData());
}

template <typename T> std::optional<T> ParseDecimal(const QByteArray& text, bool allowSign)
{
    if (text.isEmpty() || (!allowSign && text.front() == '-'))
        return std::nullopt;
    T value {};
    const char* end = text.constData() + text.size();
    const auto [last, error] = std::from_chars(text.constData(), end, value, 10);
    if (error != std::errc() || last != end)
        return std::nullopt;
    return value;
}

bool PortAnswers(const QString& path)
{
    QLocalSocket probe;
    probe.connectToServer(path);
    const bool answered = probe.waitForConnected(ClientWaitMs) && PeerIsThisUser(probe);
    probe.abort();
    return answered;
}

bool PostTo(const QString& path, const TPortMessage& message, int waitMs)
{
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(waitMs) || !PeerIsThisUser(socket))
        return false;
    socket.write(FormatPortMessage(message));
    const bool sent = socket.waitForBytesWritten(waitMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(waitMs);
    return sent;
}

} // namespace

QString MessagePortFolder() { return QFile::decodeName(QByteArray::fromStdString(runtimefolder::Path())); }

QString WantedMessagePortFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime && *runtime && runtimefolder::IsPrivateFolder(runtime)
        ? std::string(runtime)
        : runtimefolder::FallbackFolder();
    return QFile::decodeName(QByteArray::fromStdString(folder));
}

QString MessagePortPath(const QString& title)
{
    if (title.isEmpty() || title.contains(u'/') || title.contains(QChar(0)) || title == u"."
        || title == u"..")
        return {};
    const QString folder = MessagePortFolder();
    if (folder.isEmpty())
        return {};
    const QString path = folder + u'/' + title;
    if (QFile::encodeName(path).size() >= qsizetype(sizeof(sockaddr_un::sun_path)))
        return {};
    return path;
}

QByteArray FormatPortMessage(const TPortMessage& message)
{
    return QByteArray::number(message.Number) + ' ' + QByteArray::number(message.WParam) + ' '
        + QByteArray::number(message.LParam) + '\n';
}

std::optional<TPortMessage> ParsePortMessage(const QByteArray& line)
{
    if (!line.endsWith('\n'))
        return std::nullopt;
    const QList<QByteArray> fields = line.chopped(1).split(' ');
    if (fields.size() != 3)
        return std::nullopt;
    const auto number = ParseDecimal<quint32>(fields[0], false);
    const auto wParam = ParseDecimal<qint64>(fields[1], true);
    const auto lParam = ParseDecimal<qint64>(fields[2], true);
    if (!number || !wParam || !lParam)
        return std::nullopt;
    return TPortMessage { *number, *wParam, *lParam };
}

bool MessagePortExists(const QString& title)
{
    const QString path = MessagePortPath(title);
    return !path.isEmpty() && PortAnswers(path);
}

bool PostPortMessage(const QString& title, quint32 number, qint64 wParam, qint64 lParam)
{
    const QString path = MessagePortPath(title);
    return !path.isEmpty() && PostTo(path, { number, wParam, lParam }, ClientWaitMs);
}

bool PostPortMessageWithin(const QString& title, quint32 number, qint64 wParam, qint64 lParam, int deadlineMs)
{
    const QString path = MessagePortPath(title);
    if (path.isEmpty())
        return false;
    const QDeadlineTimer deadline(deadlineMs);
    for (;;) {
        const int left = int(deadline.remainingTime());
        if (PostTo(path, { number, wParam, lParam }, qMax(1, qMin(left, ClientWaitMs))))
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(qMin<qint64>(HandOverRetryMs, deadline.remainingTime()));
    }
}

TInstanceLock::TInstanceLock(const QString& title)
    : FTitle(title)
{
    const QString socketPath = MessagePortPath(title);
    if (socketPath.isEmpty())
        return;
    const QByteArray path = QFile::encodeName(socketPath) + ".lock";
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        FTakenByAnother = errno == EWOULDBLOCK;
        ::close(fd);
        return;
    }
    FFd = fd;
}

TInstanceLock::~TInstanceLock()
{
    if (FFd >= 0)
        ::close(FFd);
}

TMessagePort::TMessagePort(const TInstanceLock& lock, QObject* parent)
    : QObject(parent)
{
    if (lock.IsHeld())
        Listen(lock.Title());
}

TMessagePort::TMessagePort(const QString& title, QObject* parent)
    : QObject(parent)
    , FOwnLock(std::make_unique<TInstanceLock>(title))
{
    if (FOwnLock->IsHeld())
        Listen(title);
}

// The clients and the socket go before the lock, while this port still owns
// the title.
TMessagePort::~TMessagePort()
{
    qDeleteAll(FServer.findChildren<QLocalSocket*>());
    FServer.close();
}

void TMessagePort::Listen(const QString& title)
{
    const QString path = MessagePortPath(title);
    if (path.isEmpty())
        return;
    ClearSocketPath(QFile::encodeName(path));
    FServer.setSocketOptions(QLocalServer::UserAccessOption);
    if (!FServer.listen(path))
        qCWarning(lcPort, "cannot open the message port %s: %s", qPrintable(path),
            qPrintable(FServer.errorString()));
    else
        qCDebug(lcPort, "listening on %s", qPrintable(path));
    connect(&FServer, &QLocalServer::newConnection, this, &TMessagePort::AcceptClients);
}

void TMessagePort::AcceptClients()
{
    while (QLocalSocket* client = FServer.nextPendingConnection()) {
        if (!PeerIsThisUser(*client)) {
            qCDebug(lcPort, "refused a client of another user");
            client->abort();
            delete client;
            continue;
        }
        // At the cap the longest-waiting client makes room: a flood of silent
        // connections cannot keep a real message out.
        FClients.removeAll(nullptr);
        if (FClients.size() >= MaxClients) {
            if (QLocalSocket* oldest = FClients.takeFirst()) {
                oldest->abort();
                oldest->deleteLater();
            }
        }
        FClients.append(client);
        const qint64 senderPid = Peer(*client).pid;
        QPointer<QLocalSocket> guard(client);
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        // A client that stays silent must not hold its connection forever.
        QTimer::singleShot(ClientTimeoutMs, client, [client] {
            client->abort();
            client->deleteLater();
        });

        auto readLine = [this, guard, senderPid] {
            if (!guard || guard->property("answered").toBool())
                return;
            if (!guard->canReadLine()) {
                if (guard->bytesAvailable() > MaxLineLength) {
                    guard->abort();
                    guard->deleteLater();
                }
                return;
            }
            const QByteArray line = guard->readLine(MaxLineLength + 1);
            guard->setProperty("answered", true);
            guard->disconnectFromServer();
            const auto message = ParsePortMessage(line);
            qCDebug(lcPort, "from pid %lld: %s%s", senderPid, line.trimmed().constData(),
                message && FAccepted.contains(message->Number) ? "" : " (ignored)");
            if (message && FAccepted.contains(message->Number))
                emit messageReceived(message->Number, message->WParam, message->LParam, senderPid);
        };
        connect(client, &QLocalSocket::readyRead, this, readLine);
        readLine();
    }
}
