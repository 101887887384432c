// SPDX-License-Identifier: GPL-2.0-or-later
// The skin's pictures at the density of the screen: ":/skins/main_back.png"
// is drawn from "main_back@2x.png" where a window pixel is more than one
// device pixel, so that nothing is blown up and blurred.
#pragma once

#include <QPixmap>
#include <QSize>

class QImage;
class QString;

// The picture named `name` under :/skins/ for screens of `devicePixelRatio`
// device pixels per window pixel; a null one when there is no such picture.
// Its deviceIndependentSize() is the size in window pixels either way.
QPixmap SkinPicture(const QString& name, qreal devicePixelRatio);
// The same for the application's densest screen.
QPixmap SkinPicture(const QString& name);

// A window background as it is drawn: every fuchsia pixel takes the colour of
// the skin next to it, so that none can show where the window's outline (in
// whole window pixels) and the drawn pixels (device pixels, perhaps 1.5 per
// window pixel) do not meet exactly. The outline comes from the picture before
// this, through ApplySkinMask.
QPixmap WithoutColourKey(const QPixmap& background);

// The size in window pixels.
inline QSize LogicalSize(const QPixmap& picture) { return picture.deviceIndependentSize().toSize(); }
