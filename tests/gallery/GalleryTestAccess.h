// SPDX-License-Identifier: GPL-2.0-or-later
// The galleries' buttons and the strips' controls for their tests, which
// work them as the user does.
#pragma once

#include "gallery/GalleryForm.h"
#include "gallery/ThumbnailStrip.h"

struct TGalleryFormTestAccess {
    static const TGalleryControls& Controls(const TGalleryForm& form) { return form; }
};

struct TThumbnailStripTestAccess {
    static const TThumbnailStripControls& Controls(const TThumbnailStrip& strip) { return strip; }
};

inline const TGalleryControls& Ui(const TGalleryForm& form) { return TGalleryFormTestAccess::Controls(form); }

inline const TThumbnailStripControls& Ui(const TThumbnailStrip& strip)
{
    return TThumbnailStripTestAccess::Controls(strip);
}
