// SPDX-License-Identifier: GPL-2.0-or-later
#include "mail/SmtpComponent.h"

#include "mail/MailHeaders.h"
#include "mail/MailLogging.h"
#include "mail/WindowMessage.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QHostAddress>
#include <QRegularExpression>
#include <QUrl>

#include <stdexcept>

namespace {

// Text that goes into the SMTP dialogue or the message head must stay on its
// line; returns the value when it does.
const QString& SingleLine(const QString& value, const char* field)
{
    if (MailHeaders::HasLineBreak(value))
        throw std::invalid_argument(std::string(field) + " must not contain line breaks");
    return value;
}

// Text lines end in CR LF on the wire, whatever the editor used.
QByteArray CanonicalText(const QString& text)
{
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    return lines.replace(QLatin1String("\n"), QLatin1String("\r\n")).toUtf8();
}

// An address field the server would read differently from what it says is
// refused at the call, as a line break is.
const QString& AddressField(const QString& value, const char* field, bool single)
{
    const auto mailboxes = MailHeaders::ParseAddressField(SingleLine(value, field));
    if (!mailboxes || (single && mailboxes->size() != 1))
        throw std::invalid_argument(std::string(field) + " is not an e-mail address");
    return value;
}

// A server on this machine: nothing the dialogue carries leaves it.
bool IsLoopbackHost(const QByteArray& url)
{
    const QString host = QUrl(QString::fromUtf8(url)).host();
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
        || QHostAddress(host).isLoopback();
}

} // namespace

TSmtpComponent::TSmtpComponent(QObject* parent)
    : QObject(parent)
{
}

// The delivery is cancelled and joined before the QObject part goes, so no
// report can reach a half-destroyed component.
TSmtpComponent::~TSmtpComponent() = default;

void TSmtpComponent::Set_Host(const QString& host) { FHost = SingleLine(host, "server").trimmed(); }

void TSmtpComponent::Set_UserName(const QString& userName) { FUserName = SingleLine(userName, "account"); }

void TSmtpComponent::Set_Password(const QString& password) { FPassword = SingleLine(password, "password"); }

void TSmtpComponent::Set_MailFrom(const QString& mailFrom)
{
    FMailFrom = AddressField(mailFrom, "sender", true);
}

void TSmtpComponent::Set_MailTo(const QString& mailTo) { FMailTo = AddressField(mailTo, "receiver", false); }

void TSmtpComponent::Set_Subject(const QString& subject) { FSubject = SingleLine(subject, "subject"); }

void TSmtpComponent::Set_Body(const QString& body) { FBody = body; }

void TSmtpComponent::Set_Attachment(const QString& path) { FAttachment = path; }

void TSmtpComponent::Set_NotifyWnd(QObject* window) { FNotifyWnd = window; }

void TSmtpComponent::Set_CompleteMsg(quint32 msg) { FCompleteMsg = msg; }

void TSmtpComponent::Set_ProgressMsg(quint32 msg) { FProgressMsg = msg; }

void TSmtpComponent::SetStallTimeout(std::chrono::seconds timeout) { FStallTimeout = timeout; }

void TSmtpComponent::SetLoopbackIsLocal(bool local) { FLoopbackIsLocal = local; }

QByteArray TSmtpComponent::ServerUrl(const QString& host)
{
    static const QRegularExpression withPort(QStringLiteral("^(\\[[^\\]]*\\]|[^:\\[\\]]*)(?::(\\d{1,5}))?$"));
    const QRegularExpressionMatch match = withPort.match(host);
    QString name = match.hasMatch() ? match.captured(1) : host;
    const QString port = match.hasMatch() && match.hasCaptured(2) ? match.captured(2) : QStringLiteral("25");
    if (!match.hasMatch()) // a bare IPv6 address
        name = u'[' + host + u']';
    return QStringLiteral("smtp://%1:%2").arg(name, port).toUtf8();
}

TSmtpJob TSmtpComponent::MakeJob() const
{
    if (FHost.isEmpty())
        throw std::runtime_error("no SMTP server given");
    const QList<MailHeaders::TMailbox> senders
        = MailHeaders::ParseAddressField(FMailFrom).value_or(QList<MailHeaders::TMailbox> {});
    const QList<MailHeaders::TMailbox> receivers
        = MailHeaders::ParseAddressField(FMailTo).value_or(QList<MailHeaders::TMailbox> {});
    if (senders.isEmpty())
        throw std::runtime_error("no sender given");
    if (receivers.isEmpty())
        throw std::runtime_error("no receiver given");

    TSmtpJob job;
    job.Url = ServerUrl(FHost);
    job.UserName = FUserName.toUtf8();
    job.Password = FPassword.toUtf8();
    job.MailFrom = '<' + senders.first().Address.toUtf8() + '>';
    for (const MailHeaders::TMailbox& receiver : receivers)
        job.Recipients.append('<' + receiver.Address.toUtf8() + '>');
    job.Headers = {
        "Date: " + MailHeaders::FormatDate(QDateTime::currentDateTime()),
        "From: " + MailHeaders::FormatMailboxes(senders),
        "To: " + MailHeaders::FormatMailboxes(receivers),
        "Subject: " + MailHeaders::EncodeWords(FSubject),
        "Message-ID: " + MailHeaders::MakeMessageId(senders.first().Address),
    };
    job.Body = CanonicalText(FBody);
    if (!FAttachment.isEmpty()) {
        job.AttachmentPath = FAttachment;
        job.AttachmentName = QFileInfo(FAttachment).fileName().toUtf8();
        job.AttachmentType = MailHeaders::ContentTypeForFile(FAttachment);
    }
    job.StallTimeout = FStallTimeout;
    job.PlainAuthAllowed = FLoopbackIsLocal && IsLoopbackHost(job.Url);
    return job;
}

void TSmtpComponent::SendMail()
{
    if (FDelivery && FSending)
        throw std::runtime_error("a message is still being sent");
    const TSmtpJob job = MakeJob();
    FDelivery.reset();
    // Reports of this send go where the fields said at the time of the send.
    FReportTo = { FNotifyWnd, FProgressMsg, FCompleteMsg };

    // The worker only queues; everything else happens on this object's thread,
    // and so never before SendMail has returned.
    auto onProgress = [this](qint64 sent, qint64 total) {
        QMetaObject::invokeMethod(
            this, [=, this] { Notify(FReportTo.ProgressMsg, sent, total); }, Qt::QueuedConnection);
    };
    auto onCompletion = [this](bool sent) {
        QMetaObject::invokeMethod(
            this,
            [=, this] {
                FSending = false;
                qCDebug(lcMail, "message %s", sent ? "sent" : "not sent");
                Notify(FReportTo.CompleteMsg, sent ? 1 : 0, 0);
            },
            Qt::QueuedConnection);
    };
    FDelivery = std::make_unique<TSmtpDelivery>(job, onProgress, onCompletion);
    qCDebug(lcMail, "sending through %s", qPrintable(FHost));
    FSending = true;
    FDelivery->Start();
}

void TSmtpComponent::Notify(quint32 msg, qint64 wParam, qint64 lParam)
{
    if (!FReportTo.Window)
        return;
    TWindowMessageEvent message(msg, wParam, lParam);
    QCoreApplication::sendEvent(FReportTo.Window.data(), &message);
}
