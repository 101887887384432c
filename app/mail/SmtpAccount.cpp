// SPDX-License-Identifier: GPL-2.0-or-later
#include "mail/SmtpAccount.h"

#include "core/SettingsStore.h"

namespace {

const QString Section = QStringLiteral("SMTP");

// The composer's own server and account, used unless the store names others.
const QString DefaultHost = QStringLiteral("127.0.0.1");
constexpr int DefaultPort = 25;
const QString DefaultUserName = QStringLiteral("cam");
const QString DefaultPassword = QStringLiteral("c4");

} // namespace

QString TSmtpAccount::HostAndPort() const
{
    const bool ipv6 = Host.contains(u':') && !Host.startsWith(u'[');
    return QStringLiteral("%1:%2").arg(ipv6 ? u'[' + Host + u']' : Host).arg(Port);
}

TSmtpAccount ReadSmtpAccount(TSettingsStore& store)
{
    TSmtpAccount account;
    account.Host = store.ReadString(Section, QStringLiteral("SmtpHost"), DefaultHost);
    account.Port = store.ReadInteger(Section, QStringLiteral("SmtpPort"), DefaultPort);
    account.UserName = store.ReadString(Section, QStringLiteral("SmtpUser"), DefaultUserName);
    account.Password = store.ReadString(Section, QStringLiteral("SmtpPassword"), DefaultPassword);
    return account;
}
