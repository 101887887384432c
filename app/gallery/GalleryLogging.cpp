// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/GalleryLogging.h"

Q_LOGGING_CATEGORY(lcGallery, "glimview.gallery", QtWarningMsg)
