// SPDX-License-Identifier: GPL-2.0-or-later
#include "MailTestSupport.h"

#include "mail/WindowMessage.h"

#include <QApplication>
#include <QColor>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QPainter>
#include <QTcpServer>

int TMessageWindow::Count(quint32 msg) const
{
    return static_cast<int>(
        std::count_if(Received.begin(), Received.end(), [msg](const auto& m) { return m.Msg == msg; }));
}

bool TMessageWindow::event(QEvent* event)
{
    if (event->type() != TWindowMessageEvent::EventType())
        return QObject::event(event);
    const auto* message = static_cast<TWindowMessageEvent*>(event);
    Received.append({ message->Msg, message->WParam, message->LParam });
    return true;
}

TSmtpTestServer::TSmtpTestServer(const QStringList& options)
{
    FProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    FProcess.start(QStringLiteral("/usr/bin/python3"),
        QStringList { QStringLiteral(SMTP_SINK_SCRIPT), QStringLiteral("--dir"), FFolder.path() } + options);
    QDeadlineTimer deadline(20000);
    while (!FProcess.canReadLine() && FProcess.state() != QProcess::NotRunning && !deadline.hasExpired())
        FProcess.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    if (FProcess.canReadLine())
        FPort = static_cast<quint16>(FProcess.readLine().trimmed().toUInt());
}

TSmtpTestServer::~TSmtpTestServer() { Stop(); }

void TSmtpTestServer::Stop()
{
    if (FProcess.state() == QProcess::NotRunning)
        return;
    FProcess.kill();
    FProcess.waitForFinished(10000);
}

QList<QJsonObject> TSmtpTestServer::Messages() const
{
    QList<QJsonObject> messages;
    for (int number = 1;; ++number) {
        QFile file(FFolder.filePath(QStringLiteral("%1.json").arg(number)));
        if (!file.open(QIODevice::ReadOnly))
            return messages;
        messages.append(QJsonDocument::fromJson(file.readAll()).object());
    }
}

QByteArray TSmtpTestServer::RawMessage(int number) const
{
    QFile file(FFolder.filePath(QStringLiteral("%1.eml").arg(number)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int TSmtpTestServer::StartTlsCount() const
{
    QFile file(FFolder.filePath(QStringLiteral("starttls.log")));
    return file.open(QIODevice::ReadOnly) ? static_cast<int>(file.readAll().count('\n')) : 0;
}

int TSmtpTestServer::AuthAttempts() const
{
    QFile file(FFolder.filePath(QStringLiteral("auth.log")));
    return file.open(QIODevice::ReadOnly) ? static_cast<int>(file.readAll().count('\n')) : 0;
}

quint16 ClosedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

QString WriteJpeg(const QString& path, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int y = 0; y < height; y += 8)
        painter.fillRect(0, y, width, 8, QColor::fromHsv((y * 3) % 360, 200, 220));
    painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("snapshot"));
    painter.end();
    image.save(path, "JPG", 90);
    return path;
}
