// SPDX-License-Identifier: GPL-2.0-or-later
#include "mail/SmtpDelivery.h"

#include "mail/MailLogging.h"

#include <QFile>
#include <QFileInfo>

#include <curl/curl.h>

#include <condition_variable>
#include <mutex>
#include <stdexcept>

namespace {

// Progress reaches the user interface at most this often, plus the last step.
constexpr auto kProgressInterval = std::chrono::milliseconds(50);
// How long a release waits for a worker that is about to end anyway.
constexpr auto kReleaseWait = std::chrono::milliseconds(250);

void InitCurlOnce()
{
    static std::once_flag once;
    static CURLcode result = CURLE_OK;
    std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_DEFAULT); });
    if (result != CURLE_OK)
        throw std::runtime_error(std::string("libcurl cannot start: ") + curl_easy_strerror(result));
}

void Check(CURLcode code, const char* what)
{
    if (code != CURLE_OK)
        throw std::runtime_error(std::string(what) + ": " + curl_easy_strerror(code));
}

curl_slist* Append(curl_slist* list, const QByteArray& text)
{
    curl_slist* appended = curl_slist_append(list, text.constData());
    if (!appended) {
        curl_slist_free_all(list);
        throw std::bad_alloc();
    }
    return appended;
}

struct TCurlParts {
    CURL* Easy = nullptr;
    curl_mime* Mime = nullptr;
    curl_slist* Headers = nullptr;
    curl_slist* Recipients = nullptr;
    char ErrorText[CURL_ERROR_SIZE] = {};

    ~TCurlParts()
    {
        curl_easy_cleanup(Easy);
        curl_mime_free(Mime);
        curl_slist_free_all(Headers);
        curl_slist_free_all(Recipients);
    }
};

} // namespace

struct TSmtpDelivery::TTransfer {
    std::unique_ptr<TCurlParts> Curl = std::make_unique<TCurlParts>();
    ProgressHandler OnProgress;
    CompletionHandler OnCompletion;
    std::atomic<bool> Cancel { false };
    std::chrono::seconds StallTimeout { 60 };
    qint64 LastReported = -1;
    std::chrono::steady_clock::time_point LastReportTime;
    qint64 LastSeen = 0;
    std::chrono::steady_clock::time_point LastMove; // when the upload last advanced

    // Held while a report is made, so none is made once the owner has gone.
    std::mutex ReportLock;
    bool Released = false;
    // Set when the worker is done with everything.
    std::mutex DoneLock;
    std::condition_variable DoneChanged;
    bool Done = false;

    void Run();
    int OnTransferInfo(qint64 uploadTotal, qint64 uploadNow);
};

TSmtpDelivery::TSmtpDelivery(const TSmtpJob& job, ProgressHandler onProgress, CompletionHandler onCompletion)
    : FTransfer(std::make_shared<TTransfer>())
{
    FTransfer->OnProgress = std::move(onProgress);
    FTransfer->OnCompletion = std::move(onCompletion);
    TCurlParts* const curl = FTransfer->Curl.get();
    InitCurlOnce();
    CURL* easy = curl->Easy = curl_easy_init();
    if (!easy)
        throw std::runtime_error("libcurl cannot create a transfer");

    Check(curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, curl->ErrorText), "error buffer");
    Check(curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L), "no signals");
    Check(curl_easy_setopt(easy, CURLOPT_URL, job.Url.constData()), "server address");
    // Encrypt whenever the server offers STARTTLS. An account never goes out
    // in clear to another machine: with one, a server without STARTTLS fails
    // the send (libcurl authenticates only when the server advertises AUTH).
    const bool requireTls = !job.UserName.isEmpty() && !job.PlainAuthAllowed;
    Check(curl_easy_setopt(
              easy, CURLOPT_USE_SSL, static_cast<long>(requireTls ? CURLUSESSL_ALL : CURLUSESSL_TRY)),
        "STARTTLS");
    if (!job.UserName.isEmpty()) {
        Check(curl_easy_setopt(easy, CURLOPT_USERNAME, job.UserName.constData()), "account");
        Check(curl_easy_setopt(easy, CURLOPT_PASSWORD, job.Password.constData()), "password");
    }
    Check(curl_easy_setopt(easy, CURLOPT_MAIL_FROM, job.MailFrom.constData()), "sender");
    for (const QByteArray& recipient : job.Recipients)
        curl->Recipients = Append(curl->Recipients, recipient);
    Check(curl_easy_setopt(easy, CURLOPT_MAIL_RCPT, curl->Recipients), "receivers");
    for (const QByteArray& header : job.Headers)
        curl->Headers = Append(curl->Headers, header);
    Check(curl_easy_setopt(easy, CURLOPT_HTTPHEADER, curl->Headers), "headers");

    // A stalled server must not hold the delivery forever. libcurl limits the
    // wait for the connection (greeting and STARTTLS included) and for every
    // reply; OnTransferInfo ends a transfer whose upload has not advanced for
    // as long, which also covers a server that stops reading the message.
    const long stall = static_cast<long>(job.StallTimeout.count());
    Check(curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, stall), "connect timeout");
    Check(curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, stall), "response timeout");
    FTransfer->StallTimeout = job.StallTimeout;

    // Base64 parts keep the upload size known to libcurl, so progress has a total.
    curl_mime* mime = curl->Mime = curl_mime_init(easy);
    curl_mimepart* text = curl_mime_addpart(mime);
    Check(curl_mime_data(text, job.Body.constData(), static_cast<size_t>(job.Body.size())), "body");
    Check(curl_mime_type(text, "text/plain; charset=UTF-8"), "body type");
    Check(curl_mime_encoder(text, "base64"), "body encoding");
    if (!job.AttachmentPath.isEmpty()) {
        const QFileInfo file(job.AttachmentPath);
        if (!file.isFile() || !file.isReadable())
            throw std::runtime_error("cannot read the attachment " + job.AttachmentPath.toStdString());
        curl_mimepart* attachment = curl_mime_addpart(mime);
        Check(
            curl_mime_filedata(attachment, QFile::encodeName(job.AttachmentPath).constData()), "attachment");
        Check(curl_mime_filename(attachment, job.AttachmentName.constData()), "attachment name");
        Check(curl_mime_type(attachment, job.AttachmentType.constData()), "attachment type");
        Check(curl_mime_encoder(attachment, "base64"), "attachment encoding");
    }
    Check(curl_easy_setopt(easy, CURLOPT_MIMEPOST, mime), "message");

    Check(curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L), "progress");
    curl_xferinfo_callback onTransferInfo
        = [](void* transfer, curl_off_t, curl_off_t, curl_off_t total, curl_off_t now) {
              return static_cast<TTransfer*>(transfer)->OnTransferInfo(total, now);
          };
    Check(curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, onTransferInfo), "progress");
    Check(curl_easy_setopt(easy, CURLOPT_XFERINFODATA, FTransfer.get()), "progress");
    if (lcSmtp().isDebugEnabled())
        curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);
}

TSmtpDelivery::~TSmtpDelivery()
{
    const std::shared_ptr<TTransfer> transfer = FTransfer;
    transfer->Cancel = true;
    {
        std::lock_guard lock(transfer->ReportLock);
        transfer->Released = true;
    }
    if (!FWorker.joinable())
        return;
    std::unique_lock lock(transfer->DoneLock);
    if (transfer->DoneChanged.wait_for(lock, kReleaseWait, [&] { return transfer->Done; })) {
        lock.unlock();
        FWorker.join();
    } else {
        FWorker.detach();
    }
}

void TSmtpDelivery::Start()
{
    FWorker = std::thread([transfer = FTransfer] {
        transfer->Run();
        std::lock_guard lock(transfer->DoneLock);
        transfer->Done = true;
        transfer->DoneChanged.notify_all();
    });
}

void TSmtpDelivery::TTransfer::Run()
{
    LastMove = std::chrono::steady_clock::now();
    const CURLcode result = curl_easy_perform(Curl->Easy);
    if (result != CURLE_OK && !Cancel)
        qCInfo(lcSmtp) << "delivery failed:" << curl_easy_strerror(result) << Curl->ErrorText;
    {
        std::lock_guard lock(ReportLock);
        if (!Released)
            OnCompletion(result == CURLE_OK);
    }
    // Closing the connection says QUIT and waits for the answer; a server
    // that stays silent must not hold anyone for long.
    curl_easy_setopt(Curl->Easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(QuitTimeout.count()));
    Curl.reset();
}

int TSmtpDelivery::TTransfer::OnTransferInfo(qint64 uploadTotal, qint64 uploadNow)
{
    if (Cancel)
        return 1; // aborts the transfer
    const auto now = std::chrono::steady_clock::now();
    if (uploadNow != LastSeen) {
        LastSeen = uploadNow;
        LastMove = now;
    } else if (now - LastMove > StallTimeout) {
        qCInfo(lcSmtp) << "no progress for" << StallTimeout.count() << "s";
        return 1;
    }
    if (uploadTotal <= 0 || uploadNow == LastReported)
        return 0;
    if (uploadNow < uploadTotal && now - LastReportTime < kProgressInterval)
        return 0;
    LastReported = uploadNow;
    LastReportTime = now;
    std::lock_guard lock(ReportLock);
    if (!Released)
        OnProgress(uploadNow, uploadTotal);
    return 0;
}
