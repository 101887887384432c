// SPDX-License-Identifier: GPL-2.0-or-later
// The logging categories of the foundations every window uses. Warnings show
// by default; debug and info lines only when a rule turns them on, e.g.
//   QT_LOGGING_RULES="glimview.settings.debug=true" glimview
#pragma once

#include <QLoggingCategory>

// glimview.core: the error report and the assertions.
Q_DECLARE_LOGGING_CATEGORY(lcCore)
// glimview.settings: the settings file, read, written and set aside.
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
// glimview.language: the language files and the texts taken from them.
Q_DECLARE_LOGGING_CATEGORY(lcLanguage)
// glimview.port: the message port between running copies and helpers.
Q_DECLARE_LOGGING_CATEGORY(lcPort)
