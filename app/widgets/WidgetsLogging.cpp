// SPDX-License-Identifier: GPL-2.0-or-later
#include "widgets/WidgetsLogging.h"

Q_LOGGING_CATEGORY(lcWidgets, "glimview.widgets", QtWarningMsg)
