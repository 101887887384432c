// SPDX-License-Identifier: GPL-2.0-or-later
#include "WidgetsLogging.h"

Q_LOGGING_CATEGORY(lcWidgets, "glimview.widgets", QtWarningMsg)
