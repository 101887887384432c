// SPDX-License-Identifier: GPL-2.0-or-later
// The SMTP component behind TVovSmtp: keeps the fields of one message, sends
// it through TSmtpDelivery and turns the worker's reports into window
// messages on the thread the component lives on.
#pragma once

#include "mail/SmtpDelivery.h"
#include "mail/VovSmtpIntf.h"

#include <QObject>
#include <QPointer>

class TSmtpComponent : public QObject, public IVovSmtp {
    Q_OBJECT
public:
    explicit TSmtpComponent(QObject* parent = nullptr);
    ~TSmtpComponent() override;

    void Set_Host(const QString& host) override;
    void Set_UserName(const QString& userName) override;
    void Set_Password(const QString& password) override;
    void Set_MailFrom(const QString& mailFrom) override;
    void Set_MailTo(const QString& mailTo) override;
    void Set_Subject(const QString& subject) override;
    void Set_Body(const QString& body) override;
    void Set_Attachment(const QString& path) override;
    void SendMail() override;
    void Set_NotifyWnd(QObject* window) override;
    void Set_CompleteMsg(quint32 msg) override;
    void Set_ProgressMsg(quint32 msg) override;

    // A delivery that makes no progress for this long fails.
    void SetStallTimeout(std::chrono::seconds timeout);
    // Whether a server on a loopback address may see the account without
    // encryption (true by default); tests turn it off to stand for a
    // server on another machine.
    void SetLoopbackIsLocal(bool local);

    // "smtp://host:port" for the text given to Set_Host.
    static QByteArray ServerUrl(const QString& host);

private:
    TSmtpJob MakeJob() const;
    void Notify(quint32 msg, qint64 wParam, qint64 lParam);

    QString FHost;
    QString FUserName;
    QString FPassword;
    QString FMailFrom;
    QString FMailTo;
    QString FSubject;
    QString FBody;
    QString FAttachment;
    QPointer<QObject> FNotifyWnd;
    quint32 FCompleteMsg = 0;
    quint32 FProgressMsg = 0;
    std::chrono::seconds FStallTimeout { 60 };
    bool FLoopbackIsLocal = true;
    struct TReportTarget {
        QPointer<QObject> Window;
        quint32 ProgressMsg = 0;
        quint32 CompleteMsg = 0;
    };
    TReportTarget FReportTo;
    bool FSending = false;
    std::unique_ptr<TSmtpDelivery> FDelivery;
};
