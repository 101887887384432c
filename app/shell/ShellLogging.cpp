// SPDX-License-Identifier: GPL-2.0-or-later
#include "ShellLogging.h"

Q_LOGGING_CATEGORY(lcShell, "glimview.shell", QtWarningMsg)
