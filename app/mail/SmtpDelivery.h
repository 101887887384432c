// SPDX-License-Identifier: GPL-2.0-or-later
// One message sent over SMTP by libcurl on a worker thread of its own.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

// Everything one transfer needs, already encoded.
struct TSmtpJob {
    QByteArray Url; // smtp://host:port
    QByteArray UserName; // empty: no AUTH
    QByteArray Password;
    QByteArray MailFrom; // envelope sender
    QList<QByteArray> Recipients; // envelope recipients
    QList<QByteArray> Headers; // "Name: value" lines of the message head
    QByteArray Body; // UTF-8 text, CRLF line ends
    QString AttachmentPath; // empty: none
    QByteArray AttachmentName;
    QByteArray AttachmentType;
    std::chrono::seconds StallTimeout { 60 };
    // False: the account goes only over an encrypted connection (STARTTLS
    // required); true for a server on this machine, where nothing travels.
    bool PlainAuthAllowed = false;
};

class TSmtpDelivery {
public:
    // Both handlers run on the worker thread.
    using ProgressHandler = std::function<void(qint64 sent, qint64 total)>;
    using CompletionHandler = std::function<void(bool sent)>;

    // How long the worker waits for the server's answer to QUIT once the
    // message is done with; the report does not wait for it.
    static constexpr std::chrono::seconds QuitTimeout { 2 };

    // Prepares the transfer; raises std::runtime_error when it cannot be set up.
    TSmtpDelivery(const TSmtpJob& job, ProgressHandler onProgress, CompletionHandler onCompletion);
    // Cancels a running transfer; no report follows. Returns at once: a
    // worker still saying goodbye to a slow server finishes on its own.
    ~TSmtpDelivery();

    TSmtpDelivery(const TSmtpDelivery&) = delete;
    TSmtpDelivery& operator=(const TSmtpDelivery&) = delete;

    void Start();

private:
    struct TTransfer;

    // Everything the worker touches, shared with it, so the worker may
    // outlive this object.
    std::shared_ptr<TTransfer> FTransfer;
    std::thread FWorker;
};
