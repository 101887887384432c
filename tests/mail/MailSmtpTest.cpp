// SPDX-License-Identifier: GPL-2.0-or-later
#include "MailTestSupport.h"

#include "mail/MailHeaders.h"
#include "mail/VovSmtp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

constexpr quint32 kComplete = 0x8000 + 243;
constexpr quint32 kProgress = 0x8000 + 244;
constexpr int kDeliveryDeadlineMs = 60000;

class MailSmtpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureApplication();
        ASSERT_TRUE(FFiles.isValid());
    }

    // Fills a wrapper the way the composer does and starts the send.
    void Send(TVovSmtp& smtp, const QString& host, const QString& subject, const QString& attachment,
        const QString& user = QStringLiteral("cam"), const QString& password = QStringLiteral("k9"))
    {
        smtp.Set_Host(host);
        smtp.Set_UserName(user);
        smtp.Set_Password(password);
        smtp.Set_MailFrom(QStringLiteral("Jürgen Käse <sender@example.org>"));
        smtp.Set_MailTo(QStringLiteral("receiver@example.org, \"Doe, Jane\" <jane@example.net>"));
        smtp.Set_Subject(subject);
        smtp.Set_Body(QStringLiteral("Hello,\r\nhere is the picture äöü.\r\n"));
        smtp.Set_NotifyWnd(&FWindow);
        smtp.Set_CompleteMsg(kComplete);
        smtp.Set_ProgressMsg(kProgress);
        if (!attachment.isEmpty())
            smtp.Set_Attachment(attachment);
        smtp.SendMail();
    }

    bool WaitForCompletion(int timeoutMs = kDeliveryDeadlineMs)
    {
        return QTest::qWaitFor([this] { return FWindow.Count(kComplete) > 0; }, timeoutMs);
    }

    qint64 CompletionResult() const
    {
        for (const TRecordedMessage& m : FWindow.Received) {
            if (m.Msg == kComplete)
                return m.WParam;
        }
        return -1;
    }

    QString FilePath(const QString& name) const { return FFiles.filePath(name); }

    QTemporaryDir FFiles;
    TMessageWindow FWindow;
};

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(MailSmtpTest, DeliversPhotoWithHeadersBodyAndAttachment)
{
    TSmtpTestServer server;
    ASSERT_TRUE(server.Started());
    const QString photo = WriteJpeg(FilePath(QStringLiteral("photo 1.jpg")), 640, 480);
    const QString subject
        = QStringLiteral("Schnappschuss vom Küchenfenster – Grüße aus Köln, 📷 und noch mehr Text");

    TVovSmtp smtp;
    Send(smtp, server.Host(), subject, photo);
    // Nothing may arrive inside SendMail: the window has seen no message yet.
    EXPECT_TRUE(FWindow.Received.isEmpty());
    ASSERT_TRUE(WaitForCompletion());
    // One more turn of the loop shows that no second completion follows.
    QCoreApplication::processEvents();

    EXPECT_EQ(FWindow.Count(kComplete), 1);
    EXPECT_EQ(CompletionResult(), 1);
    ASSERT_GE(FWindow.Count(kProgress), 1);
    EXPECT_EQ(FWindow.Received.last().Msg, kComplete);
    qint64 previous = 0;
    for (const TRecordedMessage& m : FWindow.Received) {
        if (m.Msg != kProgress)
            continue;
        EXPECT_GT(m.LParam, 0);
        EXPECT_GE(m.WParam, previous);
        EXPECT_LE(m.WParam, m.LParam);
        previous = m.WParam;
    }
    const TRecordedMessage lastProgress = FWindow.Received[FWindow.Received.size() - 2];
    EXPECT_EQ(lastProgress.WParam, lastProgress.LParam);
    // The base64 attachment alone is a third larger than the file.
    EXPECT_GT(lastProgress.LParam, FileBytes(photo).size() * 4 / 3);

    const QList<QJsonObject> messages = server.Messages();
    ASSERT_EQ(messages.size(), 1);
    const QJsonObject message = messages.first();
    EXPECT_EQ(message["subject"].toString(), subject);
    EXPECT_EQ(message["from"].toString(), QStringLiteral("Jürgen Käse <sender@example.org>"));
    EXPECT_EQ(
        message["to"].toString(), QStringLiteral("receiver@example.org, \"Doe, Jane\" <jane@example.net>"));
    EXPECT_EQ(message["mail_from"].toString(), QStringLiteral("sender@example.org"));
    EXPECT_EQ(message["rcpt_tos"].toArray(), QJsonArray({ "receiver@example.org", "jane@example.net" }));
    EXPECT_EQ(message["body"].toString(), QStringLiteral("Hello,\r\nhere is the picture äöü.\r\n"));
    EXPECT_EQ(message["body_charset"].toString(), QStringLiteral("utf-8"));
    EXPECT_TRUE(message["date_parses"].toBool());
    EXPECT_TRUE(message["message_id"].toString().endsWith(QStringLiteral("@example.org>")));
    EXPECT_EQ(message["mime_version"].toString(), QStringLiteral("1.0"));
    EXPECT_EQ(message["content_type"].toString(), QStringLiteral("multipart/mixed"));
    EXPECT_TRUE(message["auth_login"].isNull()); // the server offered no AUTH

    const QJsonArray attachments = message["attachments"].toArray();
    ASSERT_EQ(attachments.size(), 1);
    const QJsonObject attachment = attachments.first().toObject();
    EXPECT_EQ(attachment["filename"].toString(), QStringLiteral("photo 1.jpg"));
    EXPECT_EQ(attachment["content_type"].toString(), QStringLiteral("image/jpeg"));
    EXPECT_EQ(attachment["transfer_encoding"].toString().toLower(), QStringLiteral("base64"));
    EXPECT_EQ(QByteArray::fromBase64(attachment["data"].toString().toLatin1()), FileBytes(photo));

    // The long subject is folded into encoded words on lines of proper length.
    const QByteArray raw = server.RawMessage(1);
    const qsizetype subjectStart = raw.indexOf("\r\nSubject: ") + 2;
    qsizetype subjectEnd = raw.indexOf("\r\n", subjectStart);
    while (raw.at(subjectEnd + 2) == ' ')
        subjectEnd = raw.indexOf("\r\n", subjectEnd + 2);
    const QList<QByteArray> subjectLines = raw.mid(subjectStart, subjectEnd - subjectStart).split('\n');
    EXPECT_GE(subjectLines.size(), 2);
    for (const QByteArray& line : subjectLines)
        EXPECT_LE(line.trimmed().size(), 76) << line.constData();
}

TEST_F(MailSmtpTest, ContentTypeOfAttachmentFollowsExtension)
{
    TSmtpTestServer server;
    ASSERT_TRUE(server.Started());
    const QList<std::pair<QString, QString>> files = {
        { QStringLiteral("clip.WMV"), QStringLiteral("video/x-ms-wmv") },
        { QStringLiteral("clip.avi"), QStringLiteral("video/x-msvideo") },
        { QStringLiteral("notes.bin"), QStringLiteral("application/octet-stream") },
    };
    QByteArray content;
    for (unsigned i = 0; i < 300000; ++i)
        content.append(static_cast<char>((i * 7919u) >> 3));
    for (const auto& [name, type] : files) {
        QFile file(FilePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        FWindow.Received.clear();
        TVovSmtp smtp;
        Send(smtp, server.Host(), QStringLiteral("clip"), file.fileName());
        ASSERT_TRUE(WaitForCompletion());
        EXPECT_EQ(CompletionResult(), 1) << name.toStdString();
    }
    const QList<QJsonObject> messages = server.Messages();
    ASSERT_EQ(messages.size(), files.size());
    for (int i = 0; i < files.size(); ++i) {
        const QJsonObject attachment = messages[i]["attachments"].toArray().first().toObject();
        EXPECT_EQ(attachment["filename"].toString(), files[i].first);
        EXPECT_EQ(attachment["content_type"].toString(), files[i].second);
        EXPECT_EQ(QByteArray::fromBase64(attachment["data"].toString().toLatin1()), content);
    }
}

TEST_F(MailSmtpTest, AuthenticatesWhenServerAsksAndFailsWithWrongPassword)
{
    TSmtpTestServer server({ QStringLiteral("--auth"), QStringLiteral("cam:k9") });
    ASSERT_TRUE(server.Started());
    {
        TVovSmtp smtp;
        Send(smtp, server.Host(), QStringLiteral("with account"), QString());
        ASSERT_TRUE(WaitForCompletion());
        EXPECT_EQ(CompletionResult(), 1);
    }
    FWindow.Received.clear();
    {
        TVovSmtp smtp;
        Send(smtp, server.Host(), QStringLiteral("wrong password"), QString(), QStringLiteral("cam"),
            QStringLiteral("xx"));
        ASSERT_TRUE(WaitForCompletion());
        EXPECT_EQ(CompletionResult(), 0);
    }
    const QList<QJsonObject> messages = server.Messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.first()["subject"].toString(), QStringLiteral("with account"));
    EXPECT_EQ(messages.first()["auth_login"].toString(), QStringLiteral("cam"));
    EXPECT_TRUE(messages.first()["attachments"].toArray().isEmpty());
}

TEST_F(MailSmtpTest, OfferedStartTlsIsTakenAndAnUntrustedCertificateStopsTheSend)
{
    TSmtpTestServer server(
        { QStringLiteral("--starttls"), QStringLiteral("--auth"), QStringLiteral("cam:k9") });
    ASSERT_TRUE(server.Started());
    TVovSmtp smtp;
    Send(smtp, server.Host(), QStringLiteral("over TLS"), QString());
    ASSERT_TRUE(WaitForCompletion());
    EXPECT_EQ(CompletionResult(), 0);
    EXPECT_EQ(server.StartTlsCount(), 1);
    EXPECT_TRUE(server.Messages().isEmpty());
}

TEST_F(MailSmtpTest, RefusedConnectionCompletesOnceWithFailure)
{
    TVovSmtp smtp;
    Send(smtp, QStringLiteral("127.0.0.1:%1").arg(ClosedPort()), QStringLiteral("nobody listens"), QString());
    EXPECT_TRUE(FWindow.Received.isEmpty());
    ASSERT_TRUE(WaitForCompletion());
    QCoreApplication::processEvents();
    EXPECT_EQ(FWindow.Count(kComplete), 1);
    EXPECT_EQ(CompletionResult(), 0);
    EXPECT_EQ(FWindow.Count(kProgress), 0);
}

TEST_F(MailSmtpTest, SilentServerFailsAfterStallTimeout)
{
    TSmtpTestServer server({ QStringLiteral("--mode"), QStringLiteral("silent") });
    ASSERT_TRUE(server.Started());
    TVovSmtp smtp;
    smtp.SetStallTimeout(std::chrono::seconds(2));
    QElapsedTimer elapsed;
    elapsed.start();
    Send(smtp, server.Host(), QStringLiteral("never answered"), QString());
    ASSERT_TRUE(WaitForCompletion(30000));
    EXPECT_EQ(CompletionResult(), 0);
    EXPECT_GE(elapsed.elapsed(), 1500);
}

TEST_F(MailSmtpTest, ServerSilentAfterMessageFailsAfterStallTimeout)
{
    TSmtpTestServer server({ QStringLiteral("--mode"), QStringLiteral("stall-after-data") });
    ASSERT_TRUE(server.Started());
    TVovSmtp smtp;
    smtp.SetStallTimeout(std::chrono::seconds(2));
    Send(smtp, server.Host(), QStringLiteral("swallowed"), WriteJpeg(FilePath("a.jpg"), 320, 240));
    ASSERT_TRUE(WaitForCompletion(30000));
    EXPECT_EQ(CompletionResult(), 0);
    ASSERT_GE(FWindow.Count(kProgress), 1);
    const TRecordedMessage lastProgress = FWindow.Received[FWindow.Received.size() - 2];
    EXPECT_EQ(lastProgress.WParam, lastProgress.LParam); // all of it went out first
}

TEST_F(MailSmtpTest, ServerThatStopsReadingTheMessageFailsAfterStallTimeout)
{
    TSmtpTestServer server({ QStringLiteral("--mode"), QStringLiteral("stall-in-data") });
    ASSERT_TRUE(server.Started());
    // Larger than what the socket buffers on both sides can swallow.
    QFile clip(FilePath(QStringLiteral("big.avi")));
    ASSERT_TRUE(clip.open(QIODevice::WriteOnly));
    ASSERT_TRUE(clip.resize(16 * 1024 * 1024));
    clip.close();

    TVovSmtp smtp;
    smtp.SetStallTimeout(std::chrono::seconds(2));
    Send(smtp, server.Host(), QStringLiteral("stuck"), clip.fileName());
    ASSERT_TRUE(WaitForCompletion(30000));
    EXPECT_EQ(CompletionResult(), 0);
    ASSERT_GE(FWindow.Count(kProgress), 1);
    const TRecordedMessage lastProgress = FWindow.Received[FWindow.Received.size() - 2];
    EXPECT_GT(lastProgress.WParam, 0);
    EXPECT_LT(lastProgress.WParam, lastProgress.LParam);
}

TEST_F(MailSmtpTest, ReleasingDuringDeliveryCancelsWithoutReport)
{
    TSmtpTestServer server({ QStringLiteral("--mode"), QStringLiteral("silent") });
    ASSERT_TRUE(server.Started());
    {
        TVovSmtp smtp;
        Send(smtp, server.Host(), QStringLiteral("abandoned"), QString());
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(FWindow.Received.isEmpty());
}

TEST_F(MailSmtpTest, FailingOperationsRaiseAtTheCall)
{
    TVovSmtp smtp;
    EXPECT_FALSE(smtp.Connected());
    smtp.Set_NotifyWnd(&FWindow);
    EXPECT_TRUE(smtp.Connected()); // the first operation connects

    EXPECT_THROW(smtp.Set_Subject(QStringLiteral("hi\r\nBcc: victim@example.com")), std::exception);
    EXPECT_THROW(smtp.Set_MailTo(QStringLiteral("a@example.org\nBcc: b@example.com")), std::exception);
    EXPECT_THROW(smtp.Set_MailFrom(QStringLiteral("a@example.org\r")), std::exception);
    EXPECT_THROW(smtp.Set_UserName(QStringLiteral("cam\r\nQUIT")), std::exception);

    smtp.Set_Host(QStringLiteral("127.0.0.1:%1").arg(ClosedPort()));
    smtp.Set_MailFrom(QStringLiteral("sender@example.org"));
    EXPECT_THROW(smtp.SendMail(), std::exception); // no receiver
    smtp.Set_MailTo(QStringLiteral("receiver@example.org"));
    smtp.Set_Attachment(FilePath(QStringLiteral("missing.jpg")));
    EXPECT_THROW(smtp.SendMail(), std::exception);
    smtp.Set_Attachment(QString());

    TSmtpTestServer silent({ QStringLiteral("--mode"), QStringLiteral("silent") });
    ASSERT_TRUE(silent.Started());
    smtp.Set_Host(silent.Host());
    smtp.SendMail();
    EXPECT_THROW(smtp.SendMail(), std::exception); // one message at a time
}

TEST_F(MailSmtpTest, AddressFieldsThatWouldBendTheDialogueRaiseAtTheCall)
{
    TVovSmtp smtp;
    for (const QString& bad :
        { QStringLiteral("you@example.org> NOTIFY=SUCCESS ORCPT=rfc822;evil@attacker.example"),
            QStringLiteral("you@example.org evil@attacker.example"), QStringLiteral("<you@example.org> x"),
            QStringLiteral("you\u0085@example.org"), QStringLiteral("you@exämple.org"), QStringLiteral("you"),
            QStringLiteral("Name\u0085 <you@example.org>"), QStringLiteral("a@b.org, broken") }) {
        SCOPED_TRACE(bad.toStdString());
        EXPECT_THROW(smtp.Set_MailTo(bad), std::exception);
        EXPECT_THROW(smtp.Set_MailFrom(bad), std::exception);
    }
    EXPECT_THROW(smtp.Set_MailFrom(QStringLiteral("a@example.org, b@example.org")), std::exception);
    EXPECT_NO_THROW(smtp.Set_MailTo(QStringLiteral("a@example.org; \"Doe, Jane\" <jane@example.net>")));
    EXPECT_NO_THROW(smtp.Set_MailFrom(QStringLiteral("Jürgen Käse <sender@example.org>")));
}

TEST_F(MailSmtpTest, TheAccountNeverTravelsInClearToAnotherMachine)
{
    // The server offers AUTH but no STARTTLS; the test stands it for a
    // server on another machine.
    TSmtpTestServer server({ QStringLiteral("--auth"), QStringLiteral("cam:k9") });
    ASSERT_TRUE(server.Started());
    {
        TVovSmtp smtp;
        smtp.SetLoopbackIsLocal(false);
        Send(smtp, server.Host(), QStringLiteral("in clear"), QString());
        ASSERT_TRUE(WaitForCompletion());
        EXPECT_EQ(CompletionResult(), 0);
    }
    EXPECT_TRUE(server.Messages().isEmpty());
    EXPECT_EQ(server.AuthAttempts(), 0);
}

TEST_F(MailSmtpTest, ReleasingAfterAFailureAtASilentServerDoesNotWait)
{
    TSmtpTestServer server({ QStringLiteral("--mode"), QStringLiteral("silent") });
    ASSERT_TRUE(server.Started());
    auto smtp = std::make_unique<TVovSmtp>();
    smtp->SetStallTimeout(std::chrono::seconds(1));
    Send(*smtp, server.Host(), QStringLiteral("never answered"), QString());
    ASSERT_TRUE(WaitForCompletion(30000));
    EXPECT_EQ(CompletionResult(), 0);
    QElapsedTimer released;
    released.start();
    smtp.reset();
    EXPECT_LT(released.elapsed(), 1000);
}

TEST(MailHeadersTest, AddressFieldsSplitOutsideQuotesAndBrackets)
{
    const QList<MailHeaders::TMailbox> boxes = MailHeaders::ParseAddressField(
        QStringLiteral("\"Doe, John\" <john@x.org>; plain@y.org,, Ünal <u@z.org>"))
                                                   .value_or(QList<MailHeaders::TMailbox> {});
    ASSERT_EQ(boxes.size(), 3);
    EXPECT_EQ(boxes[0].DisplayName, QStringLiteral("Doe, John"));
    EXPECT_EQ(boxes[0].Address, QStringLiteral("john@x.org"));
    EXPECT_EQ(boxes[1].Address, QStringLiteral("plain@y.org"));
    EXPECT_TRUE(boxes[1].DisplayName.isEmpty());
    EXPECT_EQ(MailHeaders::FormatMailboxes(boxes),
        QByteArray("\"Doe, John\" <john@x.org>, plain@y.org, =?UTF-8?B?w5xuYWw=?= <u@z.org>"));
}

TEST(MailHeadersTest, DateIsEnglishWithNumericZone)
{
    const QDateTime when(QDate(2026, 12, 8), QTime(7, 5, 9), QTimeZone(-5 * 3600 - 30 * 60));
    EXPECT_EQ(MailHeaders::FormatDate(when), QByteArray("Tue, 08 Dec 2026 07:05:09 -0530"));
}

} // namespace
