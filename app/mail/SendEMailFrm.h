// SPDX-License-Identifier: GPL-2.0-or-later
// TSendEMailForm: the composer through which the user sends one photo or
// clip as an e-mail attachment. Created once at start-up, hidden, and shown
// again each time a gallery opens it.
#pragma once

#include "mail/VovSmtpIntf.h"

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The composer's controls; its tests reach them through TSendEMailFormTestAccess.
struct TSendEMailControls {
    QLineEdit* edtTo = nullptr;
    QLineEdit* edtFrom = nullptr;
    QLineEdit* edtSubject = nullptr;
    QPlainTextEdit* memBody = nullptr;
    QPushButton* btnSend = nullptr;
    QProgressBar* prbStatus = nullptr;
    QLabel* stxStatus = nullptr;
};

class TSendEMailForm : public QWidget, private TSendEMailControls {
    Q_OBJECT
    friend struct TSendEMailFormTestAccess;

public:
    // The two window messages the SMTP component sends back.
    static constexpr quint32 WM_SMTP_COMPLETE = 0x8000 + 243;
    static constexpr quint32 WM_SMTP_PROGRESS = 0x8000 + 244;

    // Reads the four fields from the settings store, which must be open.
    explicit TSendEMailForm(QWidget* parent = nullptr);
    ~TSendEMailForm() override;

    // Shows the composer ready to send the file; only while not sending.
    void OpenWithAttachment(const QString& path);
    // Set from the hand-over of a message until its completion.
    bool IsSending() const { return FSending; }

    // Makes the SMTP component for each message (a new TVovSmtp by default).
    using TSmtpFactory = std::function<std::unique_ptr<IVovSmtp>()>;
    void SetSmtpFactory(TSmtpFactory factory);

    void btnSendClick();

protected:
    bool event(QEvent* event) override;

private:
    enum class TSendRole { Send, Processing, Finish };

    void btnFinishClick();
    void SMTP_Complete(qint64 wParam, qint64 lParam);
    void SMTP_Progress(qint64 wParam, qint64 lParam);
    void CreateControls();
    void FormCreate();
    void FormDestroy();
    void StartSending();
    void SetSendRole(TSendRole role);
    void CentreOnOwner();

    bool FSending = false;
    // Only the newest path: a send carries the file the user chose last.
    QStringList FAttachments;
    TSendRole FRole = TSendRole::Send;
    TSmtpFactory FSmtpFactory;
    // One component per message, kept until the composer goes.
    std::vector<std::unique_ptr<IVovSmtp>> FSmtps;
};
