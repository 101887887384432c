// SPDX-License-Identifier: GPL-2.0-or-later
// The logging category of the galleries, the viewer, the media store and the
// conversion progress ("glimview.gallery").
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcGallery)
