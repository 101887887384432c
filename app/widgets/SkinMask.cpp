// SPDX-License-Identifier: GPL-2.0-or-later
#include "widgets/SkinMask.h"

#include <QBitmap>
#include <QImage>
#include <QWidget>

namespace {

constexpr QRgb ColourKey = 0xFFFF00FF;

// The window's shape is made of whole window pixels. A picture drawn at a
// higher density is reduced to them: a window pixel belongs to the window
// when any of the device pixels it covers is skin.
QImage AtWindowPixels(const QImage& skin)
{
    const int scale = qRound(skin.devicePixelRatio());
    if (scale <= 1)
        return skin;
    const QImage source = skin.convertToFormat(QImage::Format_RGB32);
    QImage reduced(source.width() / scale, source.height() / scale, QImage::Format_RGB32);
    for (int y = 0; y < reduced.height(); ++y)
        for (int x = 0; x < reduced.width(); ++x) {
            QRgb pixel = ColourKey;
            for (int dy = 0; dy < scale && pixel == ColourKey; ++dy)
                for (int dx = 0; dx < scale; ++dx)
                    if (const QRgb p = source.pixel(x * scale + dx, y * scale + dy) | 0xFF000000;
                        p != ColourKey) {
                        pixel = p;
                        break;
                    }
            reduced.setPixel(x, y, pixel);
        }
    return reduced;
}

} // namespace

void ApplySkinMask(QWidget* window, const QPixmap& skin)
{
    QImage image = skin.toImage();
    image.setDevicePixelRatio(skin.devicePixelRatio());
    ApplySkinMask(window, image);
}

void ApplySkinMask(QWidget* window, const QImage& skin)
{
    // MaskInColor marks the fuchsia pixels themselves as the ones to cut
    // away; MaskOutColor would keep only them.
    window->setMask(QBitmap::fromImage(AtWindowPixels(skin).createMaskFromColor(qRgb(255, 0, 255))));
}
