// SPDX-License-Identifier: GPL-2.0-or-later
// The logging category of the program's shell: the entry, the main window,
// the about box, the session end and suspend watchers ("glimview.shell").
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcShell)
