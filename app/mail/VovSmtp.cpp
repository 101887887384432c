// SPDX-License-Identifier: GPL-2.0-or-later
#include "mail/VovSmtp.h"

#include "mail/SmtpComponent.h"

TVovSmtp::TVovSmtp() = default;

TVovSmtp::~TVovSmtp() = default;

void TVovSmtp::Connect()
{
    if (FIntf)
        return;
    FIntf = std::make_unique<TSmtpComponent>();
    FIntf->SetStallTimeout(FStallTimeout);
    FIntf->SetLoopbackIsLocal(FLoopbackIsLocal);
}

bool TVovSmtp::Connected() const { return FIntf != nullptr; }

TSmtpComponent& TVovSmtp::DefaultInterface()
{
    Connect();
    return *FIntf;
}

void TVovSmtp::SetStallTimeout(std::chrono::seconds timeout)
{
    FStallTimeout = timeout;
    if (FIntf)
        FIntf->SetStallTimeout(timeout);
}

void TVovSmtp::SetLoopbackIsLocal(bool local)
{
    FLoopbackIsLocal = local;
    if (FIntf)
        FIntf->SetLoopbackIsLocal(local);
}

void TVovSmtp::Set_Host(const QString& host) { DefaultInterface().Set_Host(host); }
void TVovSmtp::Set_UserName(const QString& userName) { DefaultInterface().Set_UserName(userName); }
void TVovSmtp::Set_Password(const QString& password) { DefaultInterface().Set_Password(password); }
void TVovSmtp::Set_MailFrom(const QString& mailFrom) { DefaultInterface().Set_MailFrom(mailFrom); }
void TVovSmtp::Set_MailTo(const QString& mailTo) { DefaultInterface().Set_MailTo(mailTo); }
void TVovSmtp::Set_Subject(const QString& subject) { DefaultInterface().Set_Subject(subject); }
void TVovSmtp::Set_Body(const QString& body) { DefaultInterface().Set_Body(body); }
void TVovSmtp::Set_Attachment(const QString& path) { DefaultInterface().Set_Attachment(path); }
void TVovSmtp::SendMail() { DefaultInterface().SendMail(); }
void TVovSmtp::Set_NotifyWnd(QObject* window) { DefaultInterface().Set_NotifyWnd(window); }
void TVovSmtp::Set_CompleteMsg(quint32 msg) { DefaultInterface().Set_CompleteMsg(msg); }
void TVovSmtp::Set_ProgressMsg(quint32 msg) { DefaultInterface().Set_ProgressMsg(msg); }
