// SPDX-License-Identifier: GPL-2.0-or-later
// The SMTP server and account the composer sends through: fixed values,
// which the "SMTP" section of the settings store may override.
#pragma once

#include <QString>

class TSettingsStore;

struct TSmtpAccount {
    QString Host;
    int Port = 25;
    QString UserName;
    QString Password;

    // The text for Set_Host: "host:port", an IPv6 address in brackets.
    QString HostAndPort() const;
};

// Keys "SmtpHost", "SmtpPort", "SmtpUser", "SmtpPassword" where present.
TSmtpAccount ReadSmtpAccount(TSettingsStore& store);
