// SPDX-License-Identifier: GPL-2.0-or-later
#include "mail/MailLogging.h"

Q_LOGGING_CATEGORY(lcMail, "glimview.mail", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSmtp, "glimview.mail.smtp", QtWarningMsg)
