// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/CoreLogging.h"

Q_LOGGING_CATEGORY(lcCore, "glimview.core", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSettings, "glimview.settings", QtWarningMsg)
Q_LOGGING_CATEGORY(lcLanguage, "glimview.language", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPort, "glimview.port", QtWarningMsg)
