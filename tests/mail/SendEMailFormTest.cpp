// SPDX-License-Identifier: GPL-2.0-or-later
#include "MailTestSupport.h"

#include "core/Assertion.h"
#include "core/SettingsStore.h"
#include "mail/SendEMailFrm.h"
#include "mail/WindowMessage.h"

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

// The composer's controls, worked as the user would.
struct TSendEMailFormTestAccess {
    static const TSendEMailControls& Controls(const TSendEMailForm& form) { return form; }
};

namespace {

const TSendEMailControls& Ui(const TSendEMailForm& form) { return TSendEMailFormTestAccess::Controls(form); }

constexpr int kDeadlineMs = 60000;
const QString Section = QStringLiteral("SMTP");

// Answers every message box the composer opens, noting its text and the
// composer's status line at that moment.
class TMessageBoxWatcher {
public:
    explicit TMessageBoxWatcher(const QLabel* status)
    {
        QObject::connect(&FTimer, &QTimer::timeout, [this, status] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            Texts.append(box->text());
            StatusAtBox.append(status->text());
            box->button(QMessageBox::Ok)->click();
        });
        FTimer.start(10);
    }

    QStringList Texts;
    QStringList StatusAtBox;

private:
    QTimer FTimer;
};

// Notes every call the composer makes on its SMTP component; may fail one.
class TRecordingSmtp : public IVovSmtp {
public:
    TRecordingSmtp(QStringList& log, QString failing)
        : FLog(log)
        , FFailing(std::move(failing))
    {
    }

    void Set_Host(const QString& v) override { Note("Set_Host", v); }
    void Set_UserName(const QString& v) override { Note("Set_UserName", v); }
    void Set_Password(const QString& v) override { Note("Set_Password", v); }
    void Set_MailFrom(const QString& v) override { Note("Set_MailFrom", v); }
    void Set_MailTo(const QString& v) override { Note("Set_MailTo", v); }
    void Set_Subject(const QString& v) override { Note("Set_Subject", v); }
    void Set_Body(const QString& v) override { Note("Set_Body", v); }
    void Set_Attachment(const QString& v) override { Note("Set_Attachment", v); }
    void SendMail() override { Note("SendMail", QString()); }
    void Set_NotifyWnd(QObject* w) override { Note("Set_NotifyWnd", w ? w->metaObject()->className() : ""); }
    void Set_CompleteMsg(quint32 m) override { Note("Set_CompleteMsg", QString::number(m)); }
    void Set_ProgressMsg(quint32 m) override { Note("Set_ProgressMsg", QString::number(m)); }

private:
    void Note(const char* operation, const QString& argument)
    {
        if (FFailing == QLatin1String(operation))
            throw std::runtime_error("component failure");
        FLog.append(QString::fromLatin1(operation) + u'(' + argument + u')');
    }

    QStringList& FLog;
    QString FFailing;
};

class MailComposerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureApplication();
        ASSERT_TRUE(FFolder.isValid());
        FStore = std::make_unique<TSettingsStore>(FFolder.filePath(QStringLiteral("settings.reg")));
        SettingsStore = FStore.get();
    }

    void TearDown() override { SettingsStore = nullptr; }

    // Points the composer at a local server; never anywhere else.
    void UseServer(quint16 port)
    {
        FStore->WriteString(Section, QStringLiteral("SmtpHost"), QStringLiteral("127.0.0.1"));
        FStore->WriteInteger(Section, QStringLiteral("SmtpPort"), port);
    }

    void UseRecordingSmtp(TSendEMailForm& form, const QString& failing = QString())
    {
        form.SetSmtpFactory([this, failing] { return std::make_unique<TRecordingSmtp>(Calls, failing); });
    }

    static bool WaitForCompletion(TSendEMailForm& form)
    {
        return QTest::qWaitFor(
            [&form] { return Ui(form).stxStatus->text() == QLatin1String("Completed."); }, kDeadlineMs);
    }

    QString FilePath(const QString& name) const { return FFolder.filePath(name); }

    // The default texts are prompts, not addresses: a send needs real ones.
    static void GiveAddresses(TSendEMailForm& form)
    {
        Ui(form).edtFrom->setText(QStringLiteral("me@example.org"));
        Ui(form).edtTo->setText(QStringLiteral("you@example.org"));
    }

    QTemporaryDir FFolder;
    std::unique_ptr<TSettingsStore> FStore;
    QStringList Calls;
};

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(MailComposerTest, OpensWithDefaultsOrStoredTextsReadyToSend)
{
    {
        TSendEMailForm form;
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Send E-mail"));
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(Ui(form).edtFrom->text(), QStringLiteral("Enter your e-mail"));
        EXPECT_EQ(Ui(form).edtTo->text(), QStringLiteral("Enter receiver's e-mail"));
        EXPECT_EQ(Ui(form).edtSubject->text(), QStringLiteral("Captured by Brightlet Viewer"));
        EXPECT_EQ(Ui(form).memBody->toPlainText(), QStringLiteral("Captured by Brightlet Viewer"));
        EXPECT_EQ(Ui(form).btnSend->text(), QStringLiteral("&Send"));
        EXPECT_FALSE(form.IsSending());

        form.OpenWithAttachment(WriteJpeg(FilePath("a.jpg"), 80, 60));
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(Ui(form).stxStatus->text(), QStringLiteral("Ready..."));
        EXPECT_EQ(Ui(form).prbStatus->value(), 0);
        EXPECT_EQ(Ui(form).btnSend->text(), QStringLiteral("Send"));
        EXPECT_TRUE(Ui(form).btnSend->isEnabled());
    }
    FStore->WriteString(Section, QStringLiteral("SmtpTo"), QStringLiteral("김민준 <minjun@example.kr>"));
    FStore->WriteString(Section, QStringLiteral("SmtpBody"), QStringLiteral("first\nsecond"));
    TSendEMailForm form;
    EXPECT_EQ(Ui(form).edtTo->text(), QStringLiteral("김민준 <minjun@example.kr>"));
    EXPECT_EQ(Ui(form).memBody->toPlainText(), QStringLiteral("first\nsecond"));
    EXPECT_EQ(Ui(form).edtFrom->text(), QStringLiteral("Enter your e-mail"));
}

TEST_F(MailComposerTest, SendsPhotoThroughRealServerAndFinishStoresFields)
{
    TSmtpTestServer server;
    ASSERT_TRUE(server.Started());
    UseServer(server.Port());
    const QString photo = WriteJpeg(FilePath("Photo_0001.jpg"), 640, 480);

    TSendEMailForm form;
    TMessageBoxWatcher boxes(Ui(form).stxStatus);
    form.OpenWithAttachment(photo);
    Ui(form).edtTo->setText(QStringLiteral("Ana <ana@example.org>"));
    Ui(form).edtFrom->setText(QStringLiteral("me@example.org"));
    Ui(form).edtSubject->setText(QStringLiteral("Unser Foto – schön"));
    Ui(form).memBody->setPlainText(QStringLiteral("Look at this.\nBye"));
    Ui(form).btnSend->click();

    EXPECT_TRUE(form.IsSending());
    EXPECT_EQ(Ui(form).stxStatus->text(), QStringLiteral("Sending..."));
    EXPECT_EQ(Ui(form).btnSend->text(), QStringLiteral("Sending..."));
    EXPECT_FALSE(Ui(form).btnSend->isEnabled());

    ASSERT_TRUE(WaitForCompletion(form));
    EXPECT_TRUE(boxes.Texts.isEmpty());
    EXPECT_FALSE(form.IsSending());
    EXPECT_EQ(Ui(form).btnSend->text(), QStringLiteral("Finish"));
    EXPECT_TRUE(Ui(form).btnSend->isEnabled());
    EXPECT_GT(Ui(form).prbStatus->maximum(), FileBytes(photo).size());
    EXPECT_EQ(Ui(form).prbStatus->value(), Ui(form).prbStatus->maximum());

    const QList<QJsonObject> messages = server.Messages();
    ASSERT_EQ(messages.size(), 1);
    const QJsonObject& message = messages.first();
    EXPECT_EQ(message["to"].toString(), QStringLiteral("Ana <ana@example.org>"));
    EXPECT_EQ(message["from"].toString(), QStringLiteral("me@example.org"));
    EXPECT_EQ(message["subject"].toString(), QStringLiteral("Unser Foto – schön"));
    EXPECT_EQ(message["body"].toString(), QStringLiteral("Look at this.\r\nBye"));
    const QJsonObject attachment = message["attachments"].toArray().first().toObject();
    EXPECT_EQ(attachment["filename"].toString(), QStringLiteral("Photo_0001.jpg"));
    EXPECT_EQ(attachment["content_type"].toString(), QStringLiteral("image/jpeg"));
    EXPECT_EQ(QByteArray::fromBase64(attachment["data"].toString().toLatin1()), FileBytes(photo));

    // Nothing is stored before Finish.
    EXPECT_EQ(FStore->ReadString(Section, QStringLiteral("SmtpTo"), QStringLiteral("none")),
        QStringLiteral("none"));
    Ui(form).btnSend->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(Ui(form).btnSend->text(), QStringLiteral("Send"));

    TSendEMailForm next;
    EXPECT_EQ(Ui(next).edtTo->text(), QStringLiteral("Ana <ana@example.org>"));
    EXPECT_EQ(Ui(next).edtFrom->text(), QStringLiteral("me@example.org"));
    EXPECT_EQ(Ui(next).edtSubject->text(), QStringLiteral("Unser Foto – schön"));
    EXPECT_EQ(Ui(next).memBody->toPlainText(), QStringLiteral("Look at this.\nBye"));
}

TEST_F(MailComposerTest, StoppedServerShowsFailureBoxThenCompleted)
{
    quint16 port = 0;
    {
        TSmtpTestServer server;
        ASSERT_TRUE(server.Started());
        port = server.Port();
    }
    UseServer(port);
    TSendEMailForm form;
    GiveAddresses(form);
    TMessageBoxWatcher boxes(Ui(form).stxStatus);
    form.OpenWithAttachment(WriteJpeg(FilePath("b.jpg"), 80, 60));
    Ui(form).btnSend->click();
    ASSERT_TRUE(WaitForCompletion(form));
    EXPECT_EQ(
        boxes.Texts, QStringList { QStringLiteral("Failed to send e-mail. Check internet connection.") });
    EXPECT_EQ(boxes.StatusAtBox, QStringList { QStringLiteral("Sending...") });
    EXPECT_EQ(Ui(form).btnSend->text(), QStringLiteral("Finish"));
    EXPECT_TRUE(Ui(form).btnSend->isEnabled());
    EXPECT_FALSE(form.IsSending());
}

TEST_F(MailComposerTest, AddressesAServerWouldMisreadAreRefusedBeforeConnecting)
{
    TSmtpTestServer server;
    ASSERT_TRUE(server.Started());
    UseServer(server.Port());
    TSendEMailForm form;
    form.OpenWithAttachment(WriteJpeg(FilePath("c.jpg"), 80, 60));
    const struct {
        QString From;
        QString To;
        QString Status;
    } cases[] = {
        // The default texts are prompts, not addresses.
        { QStringLiteral("Enter your e-mail"), QStringLiteral("me@example.org"),
            QStringLiteral("Enter sender's e-mail address") },
        { QStringLiteral("me@example.org"), QStringLiteral("Enter receiver's e-mail"),
            QStringLiteral("Enter receiver's e-mail address") },
        // An extra recipient and SMTP parameters hidden behind a '>'.
        { QStringLiteral("me@example.org"),
            QStringLiteral("you@example.org> NOTIFY=SUCCESS ORCPT=rfc822;evil@attacker.example"),
            QStringLiteral("Enter receiver's e-mail address") },
        { QStringLiteral("me@example.org> SIZE=1 AUTH=<evil@attacker.example>"),
            QStringLiteral("you@example.org"), QStringLiteral("Enter sender's e-mail address") },
        { QStringLiteral("me@example.org"), QStringLiteral("you@example.org evil@attacker.example"),
            QStringLiteral("Enter receiver's e-mail address") },
        { QStringLiteral("me@example.org"), QStringLiteral("you\u0085@example.org"),
            QStringLiteral("Enter receiver's e-mail address") },
        { QStringLiteral("me@example.org, other@example.org"), QStringLiteral("you@example.org"),
            QStringLiteral("Enter sender's e-mail address") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.From.toStdString() + " / " + c.To.toStdString());
        Ui(form).edtFrom->setText(c.From);
        Ui(form).edtTo->setText(c.To);
        Ui(form).btnSend->click();
        EXPECT_EQ(Ui(form).stxStatus->text(), c.Status);
        EXPECT_FALSE(form.IsSending());
    }
    // A well-formed field goes through, display name and all.
    Ui(form).edtFrom->setText(QStringLiteral("Jürgen <me@example.org>"));
    Ui(form).edtTo->setText(QStringLiteral("you@example.org"));
    Ui(form).btnSend->click();
    ASSERT_TRUE(WaitForCompletion(form));
    const QList<QJsonObject> messages = server.Messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.first()["rcpt_tos"].toArray(), QJsonArray { QStringLiteral("you@example.org") });
    EXPECT_EQ(messages.first()["mail_from"].toString(), QStringLiteral("me@example.org"));
}

TEST_F(MailComposerTest, ValidationNamesFirstMissingFieldAndSendsNothing)
{
    TSendEMailForm form;
    GiveAddresses(form);
    UseRecordingSmtp(form);
    form.OpenWithAttachment(FilePath("d.jpg"));
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&form] { return QApplication::activeWindow() == &form; }, 5000));

    Ui(form).edtFrom->clear();
    Ui(form).edtSubject->clear();
    Ui(form).btnSend->click();
    EXPECT_EQ(Ui(form).stxStatus->text(), QStringLiteral("Enter sender's e-mail address"));
    EXPECT_TRUE(Ui(form).edtFrom->hasFocus());

    Ui(form).edtFrom->setText(QStringLiteral("me@example.org"));
    Ui(form).btnSend->click();
    EXPECT_EQ(Ui(form).stxStatus->text(), QStringLiteral("Enter subject"));
    EXPECT_TRUE(Ui(form).edtSubject->hasFocus());

    Ui(form).edtSubject->setText(QStringLiteral("s"));
    Ui(form).memBody->clear();
    Ui(form).btnSend->click();
    EXPECT_EQ(Ui(form).stxStatus->text(), QStringLiteral("Enter e-mail contents"));
    EXPECT_TRUE(Ui(form).memBody->hasFocus());

    // A line break in a header field is refused like an empty field.
    Ui(form).memBody->setPlainText(QStringLiteral("x"));
    const struct {
        QLineEdit* Field;
        QString Text;
        QString Prompt;
    } injections[] = {
        { Ui(form).edtFrom, QStringLiteral("me@example.org\nBcc: x@example.com"),
            QStringLiteral("Enter sender's e-mail address") },
        { Ui(form).edtTo, QStringLiteral("to@example.org\r\nBcc: x@example.com"),
            QStringLiteral("Enter receiver's e-mail address") },
        { Ui(form).edtSubject, QStringLiteral("hi\nBcc: x@example.com"), QStringLiteral("Enter subject") },
    };
    for (const auto& injection : injections) {
        const QString good = injection.Field->text();
        injection.Field->setText(injection.Text);
        Ui(form).btnSend->click();
        EXPECT_EQ(Ui(form).stxStatus->text(), injection.Prompt);
        EXPECT_TRUE(injection.Field->hasFocus());
        injection.Field->setText(good);
    }
    EXPECT_TRUE(Calls.isEmpty());
    EXPECT_FALSE(form.IsSending());
    EXPECT_EQ(Ui(form).btnSend->text(), QStringLiteral("Send"));

    // A body of one line break is not empty.
    Ui(form).memBody->setPlainText(QStringLiteral("\n"));
    Ui(form).btnSend->click();
    EXPECT_EQ(Ui(form).stxStatus->text(), QStringLiteral("Sending..."));
    EXPECT_TRUE(Calls.contains(QStringLiteral("Set_Body(\r\n)")));
}

TEST_F(MailComposerTest, HandsMessageToComponentInOrderWithNewestAttachment)
{
    FStore->WriteString(Section, QStringLiteral("SmtpHost"), QStringLiteral("::1"));
    FStore->WriteInteger(Section, QStringLiteral("SmtpPort"), 2525);
    FStore->WriteString(Section, QStringLiteral("SmtpUser"), QStringLiteral("ana"));
    TSendEMailForm form;
    GiveAddresses(form);
    UseRecordingSmtp(form);
    form.OpenWithAttachment(QStringLiteral("/tmp/Temp/first.jpg"));
    form.close(); // the user closes it without sending and picks another file
    form.OpenWithAttachment(QStringLiteral("/tmp/Temp/second.jpg"));
    Ui(form).memBody->setPlainText(QStringLiteral("one\ntwo"));
    Ui(form).btnSend->click();

    EXPECT_EQ(Calls,
        QStringList({
            QStringLiteral("Set_Host([::1]:2525)"),
            QStringLiteral("Set_UserName(ana)"),
            QStringLiteral("Set_Password(c4)"),
            QStringLiteral("Set_MailFrom(me@example.org)"),
            QStringLiteral("Set_MailTo(you@example.org)"),
            QStringLiteral("Set_Subject(Captured by Brightlet Viewer)"),
            QStringLiteral("Set_Body(one\r\ntwo)"),
            QStringLiteral("Set_NotifyWnd(TSendEMailForm)"),
            QStringLiteral("Set_CompleteMsg(33011)"),
            QStringLiteral("Set_ProgressMsg(33012)"),
            QStringLiteral("Set_Attachment(/tmp/Temp/second.jpg)"),
            QStringLiteral("SendMail()"),
        }));

    // Progress 50 of 200 fills a quarter of the bar.
    QCoreApplication::postEvent(&form, new TWindowMessageEvent(TSendEMailForm::WM_SMTP_PROGRESS, 50, 200));
    ASSERT_TRUE(QTest::qWaitFor([&form] { return Ui(form).prbStatus->value() == 50; }, kDeadlineMs));
    EXPECT_EQ(Ui(form).prbStatus->maximum(), 200);
    EXPECT_EQ(Ui(form).stxStatus->text(), QStringLiteral("Sending..."));
}

TEST_F(MailComposerTest, FailingComponentLeavesComposerReady)
{
    TSendEMailForm form;
    GiveAddresses(form);
    UseRecordingSmtp(form, QStringLiteral("SendMail"));
    form.OpenWithAttachment(FilePath("e.jpg"));
    const QString to = Ui(form).edtTo->text();
    EXPECT_THROW(form.btnSendClick(), std::exception);
    EXPECT_FALSE(form.IsSending());
    EXPECT_EQ(Ui(form).btnSend->text(), QStringLiteral("Send"));
    EXPECT_TRUE(Ui(form).btnSend->isEnabled());
    EXPECT_EQ(Ui(form).stxStatus->text(), QStringLiteral("Ready..."));
    EXPECT_EQ(Ui(form).edtTo->text(), to);

    UseRecordingSmtp(form);
    Ui(form).btnSend->click();
    EXPECT_TRUE(form.IsSending());
}

TEST_F(MailComposerTest, WhileSendingAttachmentsAreRefusedAndCloseBoxChangesNothingElse)
{
    TSendEMailForm form;
    GiveAddresses(form);
    TMessageBoxWatcher boxes(Ui(form).stxStatus);
    UseRecordingSmtp(form);
    form.OpenWithAttachment(FilePath("f.jpg"));
    Ui(form).btnSend->click();
    ASSERT_TRUE(form.IsSending());

    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(form.IsSending());
    EXPECT_EQ(Ui(form).btnSend->text(), QStringLiteral("Sending..."));
    EXPECT_EQ(Ui(form).stxStatus->text(), QStringLiteral("Sending..."));
    EXPECT_THROW(form.OpenWithAttachment(FilePath("g.jpg")), EAssertionFailed);

    // A composer closed while sending still gets its completion and the failure box.
    QCoreApplication::postEvent(&form, new TWindowMessageEvent(TSendEMailForm::WM_SMTP_COMPLETE, 0, 0));
    ASSERT_TRUE(WaitForCompletion(form));
    EXPECT_EQ(
        boxes.Texts, QStringList { QStringLiteral("Failed to send e-mail. Check internet connection.") });
    EXPECT_EQ(Ui(form).btnSend->text(), QStringLiteral("Finish"));

    // Closed after completion, opened again: Ready, and nothing was stored.
    Ui(form).edtSubject->setText(QStringLiteral("changed"));
    form.close();
    form.OpenWithAttachment(FilePath("h.jpg"));
    EXPECT_EQ(Ui(form).btnSend->text(), QStringLiteral("Send"));
    EXPECT_EQ(Ui(form).stxStatus->text(), QStringLiteral("Ready..."));
    EXPECT_EQ(Ui(form).edtSubject->text(), QStringLiteral("changed"));
    EXPECT_EQ(FStore->ReadString(Section, QStringLiteral("SmtpSubject"), QStringLiteral("none")),
        QStringLiteral("none"));
}

} // namespace
