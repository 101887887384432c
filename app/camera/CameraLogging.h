// SPDX-License-Identifier: GPL-2.0-or-later
// The logging category of the camera module: the controller, the live view
// and the frame maps ("glimview.camera").
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcCamera)
