// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/ShellLogging.h"

Q_LOGGING_CATEGORY(lcShell, "glimview.shell", QtWarningMsg)
