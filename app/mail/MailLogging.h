// SPDX-License-Identifier: GPL-2.0-or-later
// The logging categories of the e-mail module: the composer ("glimview.mail")
// and the delivery to the mail server ("glimview.mail.smtp").
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcMail)
Q_DECLARE_LOGGING_CATEGORY(lcSmtp)
