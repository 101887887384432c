// SPDX-License-Identifier: GPL-2.0-or-later
// The galleries' buttons and the strips' controls, for their tests.
#pragma once

#include "gallery/GalleryForm.h"
#include "gallery/ThumbnailStrip.h"

struct TGalleryFormTestAccess {
    static const TGalleryControls& Ui(const TGalleryForm& form) { return form; }
};

struct TThumbnailStripTestAccess {
    static const TThumbnailStripControls& Ui(const TThumbnailStrip& strip) { return strip; }
};

inline const auto& Ui(const TGalleryForm& form) { return TGalleryFormTestAccess::Ui(form); }
inline const auto& Ui(const TThumbnailStrip& strip) { return TThumbnailStripTestAccess::Ui(strip); }
