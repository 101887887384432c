// SPDX-License-Identifier: GPL-2.0-or-later
// The logging category of the skinned widgets ("glimview.widgets").
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWidgets)
