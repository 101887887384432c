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
};

class TSmtpDelivery {
public:
    // Both handlers run on the worker thread.
    using ProgressHandler = std::function<void(qint64 sent, qint64 total)>;
    using CompletionHandler = std::function<void(bool sent)>;

    // Prepares the transfer; raises std::runtime_error when it cannot be set up.
    TSmtpDelivery(const TSmtpJob& job, ProgressHandler onProgress, CompletionHandler onCompletion);
    // Cancels a running transfer and waits for the worker; no completion follows.
    ~TSmtpDelivery();

    TSmtpDelivery(const TSmtpDelivery&) = delete;
    TSmtpDelivery& operator=(const TSmtpDelivery&) = delete;

    void Start();
    // Joins the worker; call once the completion has been reported.
    void Wait();

private:
    struct TCurlParts;

    void Run();
    int OnTransferInfo(qint64 uploadTotal, qint64 uploadNow);

    std::unique_ptr<TCurlParts> FCurl;
    ProgressHandler FOnProgress;
    CompletionHandler FOnCompletion;
    std::atomic<bool> FCancel { false };
    std::chrono::seconds FStallTimeout;
    qint64 FLastReported = -1;
    std::chrono::steady_clock::time_point FLastReportTime;
    qint64 FLastSeen = 0;
    std::chrono::steady_clock::time_point FLastMove; // when the upload last advanced
    std::thread FWorker;
};
