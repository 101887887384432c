// SPDX-License-Identifier: GPL-2.0-or-later
// Shared pieces of the mail tests: the application object, a window that
// records the messages it receives, and the local SMTP server process.
#pragma once

#include "CoreApplication.h"

#include <QApplication>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// Creates the QApplication of the test process once.
inline void EnsureApplication() { test_support::EnsureApplication<QApplication>(); }

struct TRecordedMessage {
    quint32 Msg;
    qint64 WParam;
    qint64 LParam;
};

// Stands for the notify window: keeps every window message in arrival order.
class TMessageWindow : public QObject {
public:
    QList<TRecordedMessage> Received;
    int Count(quint32 msg) const;

protected:
    bool event(QEvent* event) override;
};

// A real SMTP server (aiosmtpd) on 127.0.0.1 and a free port, run by
// smtp_sink.py; delivered messages come back as JSON made by Python's email module.
class TSmtpTestServer {
public:
    explicit TSmtpTestServer(const QStringList& options = {});
    ~TSmtpTestServer();

    bool Started() const { return FPort != 0; }
    quint16 Port() const { return FPort; }
    QString Host() const { return QStringLiteral("127.0.0.1:%1").arg(FPort); }
    void Stop();

    // Decoded messages received so far, oldest first.
    QList<QJsonObject> Messages() const;
    QByteArray RawMessage(int number) const;
    // How often a client asked for STARTTLS.
    int StartTlsCount() const;
    // How often a client sent AUTH.
    int AuthAttempts() const;

private:
    QTemporaryDir FFolder;
    QProcess FProcess;
    quint16 FPort = 0;
};

// A port that refuses connections: one a server has just let go of.
quint16 ClosedPort();

// A real JPEG file of the given size; returns its path.
QString WriteJpeg(const QString& path, int width, int height);
