// SPDX-License-Identifier: GPL-2.0-or-later
#include "MessagePort.h"

#include <QFile>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <QVariant>

#include <charconv>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int ClientWaitMs = 1000;

// A folder of our own: a directory (not a link), owned by this user, closed
// to everybody else.
bool IsPrivateFolder(const QByteArray& path)
{
    struct stat info { };
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
        return false;
    return (info.st_mode & 0077) == 0 || ::chmod(path.constData(), 0700) == 0;
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
    const bool answered = probe.waitForConnected(ClientWaitMs);
    probe.abort();
    return answered;
}

} // namespace

QString MessagePortFolder()
{
    if (const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR"); !runtime.isEmpty())
        return QString::fromLocal8Bit(runtime);
    const QByteArray folder = "/tmp/glimview-" + QByteArray::number(::getuid());
    ::mkdir(folder.constData(), 0700);
    return IsPrivateFolder(folder) ? QString::fromLocal8Bit(folder) : QString();
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
    if (path.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(ClientWaitMs))
        return false;
    socket.write(FormatPortMessage({ number, wParam, lParam }));
    const bool sent = socket.waitForBytesWritten(ClientWaitMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(ClientWaitMs);
    return sent;
}

TMessagePort::TMessagePort(const QString& title, QObject* parent)
    : QObject(parent)
{
    const QString path = MessagePortPath(title);
    if (path.isEmpty() || PortAnswers(path))
        return;
    // Nobody answers: whatever socket file is there was left by a crash.
    QLocalServer::removeServer(path);
    FServer.setSocketOptions(QLocalServer::UserAccessOption);
    if (!FServer.listen(path))
        qWarning("glimview: cannot open the message port %s: %s", qPrintable(path),
            qPrintable(FServer.errorString()));
    connect(&FServer, &QLocalServer::newConnection, this, &TMessagePort::AcceptClients);
}

void TMessagePort::AcceptClients()
{
    while (QLocalSocket* client = FServer.nextPendingConnection()) {
        QPointer<QLocalSocket> guard(client);
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        // A client that stays silent must not hold its connection forever.
        QTimer::singleShot(ClientTimeoutMs, client, [client] {
            client->abort();
            client->deleteLater();
        });

        auto readLine = [this, guard] {
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
            if (message && FAccepted.contains(message->Number))
                emit messageReceived(message->Number, message->WParam, message->LParam);
        };
        connect(client, &QLocalSocket::readyRead, this, readLine);
        readLine();
    }
}
