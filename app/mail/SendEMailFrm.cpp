// SPDX-License-Identifier: GPL-2.0-or-later
#include "mail/SendEMailFrm.h"

#include "core/PlainText.h"
#include "core/ProductTitle.h"

#include "core/Assertion.h"
#include "core/ErrorGuard.h"
#include "core/SettingsStore.h"
#include "mail/MailHeaders.h"
#include "mail/SmtpAccount.h"
#include "mail/VovSmtp.h"
#include "mail/WindowMessage.h"
#include "widgets/TaskbarEntry.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include <climits>

namespace {

const QString Section = QStringLiteral("SMTP");
const QString KeyFrom = QStringLiteral("SmtpFrom");
const QString KeyTo = QStringLiteral("SmtpTo");
const QString KeySubject = QStringLiteral("SmtpSubject");
const QString KeyBody = QStringLiteral("SmtpBody");

QFont PixelFont(const QString& family, int pixelSize)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    return font;
}

// A line break in a header field would write headers of its own into the
// message, so such a field counts as not filled in.
bool Missing(const QString& field) { return field.isEmpty() || MailHeaders::HasLineBreak(field); }

// An address field the server could read as more than it says (a second
// recipient, SMTP parameters) counts as not filled in either.
bool NotAnAddress(const QString& field, bool single)
{
    if (Missing(field))
        return true;
    const auto mailboxes = MailHeaders::ParseAddressField(field);
    return !mailboxes || (single && mailboxes->size() != 1);
}

void ShowMessage(QWidget* parent, const QString& text)
{
    ShowPlainMessage(parent, QMessageBox::NoIcon, ProductTitle(), text);
}

} // namespace

TSendEMailForm::TSendEMailForm(QWidget* parent)
    : QWidget(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
            | Qt::MSWindowsFixedSizeDialogHint)
    , FSmtpFactory([] { return std::make_unique<TVovSmtp>(); })
{
    CreateControls();
    FormCreate();
}

TSendEMailForm::~TSendEMailForm() { FormDestroy(); }

void TSendEMailForm::CreateControls()
{
    setWindowTitle(QStringLiteral("Send E-mail"));
    KeepOffTaskbar(this);
    setFixedSize(392, 313);
    setFont(PixelFont(QStringLiteral("Times New Roman"), 13));
    const QFont systemFont(QStringLiteral("System"));
    const QFont editFont = PixelFont(QStringLiteral("MS Mincho"), 16);

    auto label = [&](const QString& text, int left, int top) {
        auto* l = PlainLabel(new QLabel(text, this));
        l->setFont(systemFont);
        l->move(left, top);
        l->adjustSize();
    };
    label(QStringLiteral("To :"), 8, 8);
    label(QStringLiteral("From :"), 8, 32);
    label(QStringLiteral("Subject :"), 8, 56);
    label(QStringLiteral("Body :"), 8, 96);

    auto edit = [&](int top) {
        auto* e = new QLineEdit(this);
        e->setFont(editFont);
        e->setGeometry(72, top, 313, 27);
        return e;
    };
    edtTo = edit(8);
    edtFrom = edit(32);
    edtSubject = edit(56);

    memBody = new QPlainTextEdit(this);
    memBody->setFont(editFont);
    memBody->setGeometry(56, 88, 329, 169);
    memBody->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memBody->setTabChangesFocus(true);

    btnSend = new QPushButton(QStringLiteral("&Send"), this);
    btnSend->setFont(systemFont);
    btnSend->setGeometry(296, 264, 89, 25);
    btnSend->setFlat(true);
    btnSend->setAutoDefault(false);
    // While a message is being sent the button is disabled.
    connect(btnSend, &QPushButton::clicked, this, Guarded([this] {
        if (FRole == TSendRole::Send)
            btnSendClick();
        else if (FRole == TSendRole::Finish)
            btnFinishClick();
    }));

    prbStatus = new QProgressBar(this);
    prbStatus->setGeometry(56, 280, 233, 9);
    prbStatus->setRange(0, 100);
    prbStatus->setTextVisible(false);

    stxStatus = PlainLabel(new QLabel(this));
    stxStatus->setGeometry(0, 296, 393, 19);
    stxStatus->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QPalette palette = stxStatus->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    stxStatus->setPalette(palette);

    setTabOrder(btnSend, edtTo);
    setTabOrder(edtTo, edtFrom);
    setTabOrder(edtFrom, edtSubject);
    setTabOrder(edtSubject, memBody);
}

void TSendEMailForm::FormCreate()
{
    FSending = false;
    FAttachments.clear();
    GLIM_ASSERT(SettingsStore != nullptr);
    edtFrom->setText(SettingsStore->ReadString(Section, KeyFrom, QStringLiteral("Enter your e-mail")));
    edtTo->setText(SettingsStore->ReadString(Section, KeyTo, QStringLiteral("Enter receiver's e-mail")));
    edtSubject->setText(
        SettingsStore->ReadString(Section, KeySubject, QStringLiteral("Captured by Brightlet Viewer")));
    memBody->setPlainText(
        SettingsStore->ReadString(Section, KeyBody, QStringLiteral("Captured by Brightlet Viewer")));
}

void TSendEMailForm::FormDestroy()
{
    // Running deliveries are cancelled before the window they report to goes.
    FSmtps.clear();
    FAttachments.clear();
}

void TSendEMailForm::SetSmtpFactory(TSmtpFactory factory) { FSmtpFactory = std::move(factory); }

void TSendEMailForm::OpenWithAttachment(const QString& path)
{
    GLIM_ASSERT(!FSending);
    FAttachments = QStringList { path };
    SetSendRole(TSendRole::Send);
    prbStatus->setValue(0);
    stxStatus->setText(QStringLiteral("Ready..."));
    CentreOnOwner();
    show();
    raise();
    activateWindow();
}

void TSendEMailForm::btnSendClick()
{
    const struct {
        QWidget* Control;
        bool Missing;
        const char* Prompt;
    } checks[] = {
        { edtFrom, NotAnAddress(edtFrom->text(), true), "Enter sender's e-mail address" },
        { edtTo, NotAnAddress(edtTo->text(), false), "Enter receiver's e-mail address" },
        { edtSubject, Missing(edtSubject->text()), "Enter subject" },
        { memBody, memBody->toPlainText().isEmpty(), "Enter e-mail contents" },
    };
    for (const auto& check : checks) {
        if (check.Missing) {
            check.Control->setFocus();
            stxStatus->setText(QString::fromLatin1(check.Prompt));
            return;
        }
    }
    StartSending();
}

void TSendEMailForm::btnFinishClick()
{
    hide();
    SetSendRole(TSendRole::Send);
    const TSettingsBatch batch(*SettingsStore);
    SettingsStore->WriteString(Section, KeyFrom, edtFrom->text());
    SettingsStore->WriteString(Section, KeyTo, edtTo->text());
    SettingsStore->WriteString(Section, KeySubject, edtSubject->text());
    SettingsStore->WriteString(Section, KeyBody, memBody->toPlainText());
}

void TSendEMailForm::StartSending()
{
    FSmtps.push_back(FSmtpFactory());
    IVovSmtp& smtp = *FSmtps.back();
    const TSmtpAccount account = ReadSmtpAccount(*SettingsStore);

    smtp.Set_Host(account.HostAndPort());
    smtp.Set_UserName(account.UserName);
    smtp.Set_Password(account.Password);
    smtp.Set_MailFrom(edtFrom->text());
    smtp.Set_MailTo(edtTo->text());
    smtp.Set_Subject(edtSubject->text());
    smtp.Set_Body(memBody->toPlainText().replace(u'\n', QLatin1String("\r\n")));
    smtp.Set_NotifyWnd(this);
    smtp.Set_CompleteMsg(WM_SMTP_COMPLETE);
    smtp.Set_ProgressMsg(WM_SMTP_PROGRESS);
    if (!FAttachments.isEmpty())
        smtp.Set_Attachment(FAttachments.first());
    smtp.SendMail();

    FSending = true;
    stxStatus->setText(QStringLiteral("Sending..."));
    btnSend->setEnabled(false);
    SetSendRole(TSendRole::Processing);
}

void TSendEMailForm::SMTP_Progress(qint64 wParam, qint64 lParam)
{
    // The bar counts in int; very large totals are scaled down to fit.
    const qint64 scale = lParam > INT_MAX ? lParam / INT_MAX + 1 : 1;
    prbStatus->setMaximum(static_cast<int>(lParam / scale));
    prbStatus->setValue(static_cast<int>(wParam / scale));
}

void TSendEMailForm::SMTP_Complete(qint64 wParam, qint64)
{
    if (wParam == 0)
        ShowMessage(this, QStringLiteral("Failed to send e-mail. Check internet connection."));
    SetSendRole(TSendRole::Finish);
    btnSend->setEnabled(true);
    FAttachments.clear();
    FSending = false;
    stxStatus->setText(QStringLiteral("Completed."));
}

void TSendEMailForm::SetSendRole(TSendRole role)
{
    FRole = role;
    switch (role) {
    case TSendRole::Send:
        btnSend->setText(QStringLiteral("Send"));
        break;
    case TSendRole::Processing:
        btnSend->setText(QStringLiteral("Sending..."));
        break;
    case TSendRole::Finish:
        btnSend->setText(QStringLiteral("Finish"));
        break;
    }
}

void TSendEMailForm::CentreOnOwner()
{
    const QRect area = parentWidget() ? parentWidget()->window()->frameGeometry()
        : screen()                    ? screen()->availableGeometry()
                                      : QRect();
    if (area.isValid())
        move(area.center() - rect().center());
}

bool TSendEMailForm::event(QEvent* event)
{
    if (event->type() != TWindowMessageEvent::EventType())
        return QWidget::event(event);
    const auto* message = static_cast<TWindowMessageEvent*>(event);
    RunGuarded([&] {
        if (message->Msg == WM_SMTP_COMPLETE)
            SMTP_Complete(message->WParam, message->LParam);
        else if (message->Msg == WM_SMTP_PROGRESS)
            SMTP_Progress(message->WParam, message->LParam);
    });
    return true;
}
