// SPDX-License-Identifier: GPL-2.0-or-later
#include "SmtpDelivery.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <curl/curl.h>

#include <mutex>
#include <stdexcept>

Q_LOGGING_CATEGORY(lcSmtp, "glimview.mail.smtp", QtWarningMsg)

namespace {

// Progress reaches the user interface at most this often, plus the last step.
constexpr auto kProgressInterval = std::chrono::milliseconds(50);

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

} // namespace

struct TSmtpDelivery::TCurlParts {
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

TSmtpDelivery::TSmtpDelivery(const TSmtpJob& job, ProgressHandler onProgress, CompletionHandler onCompletion)
    : FCurl(std::make_unique<TCurlParts>())
    , FOnProgress(std::move(onProgress))
    , FOnCompletion(std::move(onCompletion))
{
    InitCurlOnce();
    CURL* easy = FCurl->Easy = curl_easy_init();
    if (!easy)
        throw std::runtime_error("libcurl cannot create a transfer");

    Check(curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, FCurl->ErrorText), "error buffer");
    Check(curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L), "no signals");
    Check(curl_easy_setopt(easy, CURLOPT_URL, job.Url.constData()), "server address");
    // Encrypt whenever the server offers STARTTLS; a plain server still works.
    Check(curl_easy_setopt(easy, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY)), "STARTTLS");
    // libcurl authenticates only when the server advertises AUTH.
    if (!job.UserName.isEmpty()) {
        Check(curl_easy_setopt(easy, CURLOPT_USERNAME, job.UserName.constData()), "account");
        Check(curl_easy_setopt(easy, CURLOPT_PASSWORD, job.Password.constData()), "password");
    }
    Check(curl_easy_setopt(easy, CURLOPT_MAIL_FROM, job.MailFrom.constData()), "sender");
    for (const QByteArray& recipient : job.Recipients)
        FCurl->Recipients = Append(FCurl->Recipients, recipient);
    Check(curl_easy_setopt(easy, CURLOPT_MAIL_RCPT, FCurl->Recipients), "receivers");
    for (const QByteArray& header : job.Headers)
        FCurl->Headers = Append(FCurl->Headers, header);
    Check(curl_easy_setopt(easy, CURLOPT_HTTPHEADER, FCurl->Headers), "headers");

    // A stalled server must not hold the delivery forever. libcurl limits the
    // wait for the connection (greeting and STARTTLS included) and for every
    // reply; OnTransferInfo ends a transfer whose upload has not advanced for
    // as long, which also covers a server that stops reading the message.
    const long stall = static_cast<long>(job.StallTimeout.count());
    Check(curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, stall), "connect timeout");
    Check(curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, stall), "response timeout");
    FStallTimeout = job.StallTimeout;

    // Base64 parts keep the upload size known to libcurl, so progress has a total.
    curl_mime* mime = FCurl->Mime = curl_mime_init(easy);
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
        = [](void* self, curl_off_t, curl_off_t, curl_off_t total, curl_off_t now) {
              return static_cast<TSmtpDelivery*>(self)->OnTransferInfo(total, now);
          };
    Check(curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, onTransferInfo), "progress");
    Check(curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this), "progress");
    if (lcSmtp().isDebugEnabled())
        curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);
}

TSmtpDelivery::~TSmtpDelivery()
{
    FCancel = true;
    Wait();
}

void TSmtpDelivery::Start()
{
    FWorker = std::thread([this] { Run(); });
}

void TSmtpDelivery::Wait()
{
    if (FWorker.joinable())
        FWorker.join();
}

void TSmtpDelivery::Run()
{
    FLastMove = std::chrono::steady_clock::now();
    const CURLcode result = curl_easy_perform(FCurl->Easy);
    if (FCancel)
        return;
    if (result != CURLE_OK) {
        qCInfo(lcSmtp) << "delivery failed:" << curl_easy_strerror(result) << FCurl->ErrorText;
    }
    FOnCompletion(result == CURLE_OK);
}

int TSmtpDelivery::OnTransferInfo(qint64 uploadTotal, qint64 uploadNow)
{
    if (FCancel)
        return 1; // aborts the transfer
    const auto now = std::chrono::steady_clock::now();
    if (uploadNow != FLastSeen) {
        FLastSeen = uploadNow;
        FLastMove = now;
    } else if (now - FLastMove > FStallTimeout) {
        qCInfo(lcSmtp) << "no progress for" << FStallTimeout.count() << "s";
        return 1;
    }
    if (uploadTotal <= 0 || uploadNow == FLastReported)
        return 0;
    if (uploadNow < uploadTotal && now - FLastReportTime < kProgressInterval)
        return 0;
    FLastReported = uploadNow;
    FLastReportTime = now;
    FOnProgress(uploadNow, uploadTotal);
    return 0;
}
