// SPDX-License-Identifier: GPL-2.0-or-later
#include "camera/CameraLogging.h"

Q_LOGGING_CATEGORY(lcCamera, "glimview.camera", QtWarningMsg)
