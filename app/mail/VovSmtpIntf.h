// SPDX-License-Identifier: GPL-2.0-or-later
// The operations of the SMTP component that the composer drives. Every
// operation raises std::exception on failure; SendMail returns at once and
// the outcome arrives later as window messages to the notify window:
// progress (wParam bytes sent, lParam bytes in all) any number of times,
// then completion (wParam 1 sent, 0 failed) exactly once.
#pragma once

#include <QString>
#include <QtGlobal>

class QObject;

class IVovSmtp {
public:
    virtual ~IVovSmtp() = default;

    // "host" or "host:port" ("[v6-address]:port"); port 25 when none given.
    virtual void Set_Host(const QString& host) = 0;
    virtual void Set_UserName(const QString& userName) = 0;
    virtual void Set_Password(const QString& password) = 0;
    virtual void Set_MailFrom(const QString& mailFrom) = 0;
    virtual void Set_MailTo(const QString& mailTo) = 0;
    virtual void Set_Subject(const QString& subject) = 0;
    virtual void Set_Body(const QString& body) = 0;
    virtual void Set_Attachment(const QString& path) = 0;
    virtual void SendMail() = 0;
    virtual void Set_NotifyWnd(QObject* window) = 0;
    virtual void Set_CompleteMsg(quint32 msg) = 0;
    virtual void Set_ProgressMsg(quint32 msg) = 0;
};
