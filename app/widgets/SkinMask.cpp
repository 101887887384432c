// SPDX-License-Identifier: GPL-2.0-or-later
#include "SkinMask.h"

#include <QBitmap>
#include <QImage>
#include <QWidget>

void ApplySkinMask(QWidget* window, const QImage& skin)
{
    // MaskInColor marks the fuchsia pixels themselves as the ones to cut
    // away; MaskOutColor would keep only them.
    window->setMask(QBitmap::fromImage(skin.createMaskFromColor(qRgb(255, 0, 255))));
}
