// SPDX-License-Identifier: GPL-2.0-or-later
// TVovSmtp: the composer's handle on the SMTP component. It connects to a
// component lazily, on the first operation, and forwards every operation.
#pragma once

#include "mail/VovSmtpIntf.h"

#include <chrono>
#include <memory>

class TSmtpComponent;

class TVovSmtp : public IVovSmtp {
public:
    TVovSmtp();
    ~TVovSmtp() override;

    void Connect();
    bool Connected() const;

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

    // A delivery that makes no progress for this long ends as failed (60 s by default).
    void SetStallTimeout(std::chrono::seconds timeout);
    // See TSmtpComponent::SetLoopbackIsLocal.
    void SetLoopbackIsLocal(bool local);

private:
    TSmtpComponent& DefaultInterface();

    std::unique_ptr<TSmtpComponent> FIntf;
    std::chrono::seconds FStallTimeout { 60 };
    bool FLoopbackIsLocal = true;
};
