// SPDX-License-Identifier: GPL-2.0-or-later
// The product icon: the lens on a graphite tile, with a transparent outside
// (it is a window and desktop icon, not a colour-keyed skin).
#include "catalogue.h"
#include "icons.h"
#include "skinset.h"

#include <QPainter>

namespace {

// Draws the icon into a square of side s at the origin; the same strokes make
// every bitmap size and the scalable picture.
void paintProductIcon(QPainter& p, qreal s)
{
    skin::prepare(p);
    const qreal margin = s / 32.0;
    const QRectF tile(margin, margin, s - 2 * margin, s - 2 * margin);
    const QPainterPath shape = skin::roundedRect(tile, s * 0.22);
    p.fillPath(shape, skin::colour::rim);
    QTransform inset;
    inset.translate(tile.center().x(), tile.center().y());
    const qreal k = (tile.width() - 2 * qMax(1.0, s / 64.0)) / tile.width();
    inset.scale(k, k);
    inset.translate(-tile.center().x(), -tile.center().y());
    const QPainterPath body = inset.map(shape);
    QLinearGradient fill(tile.topLeft(), tile.bottomLeft());
    fill.setColorAt(0.0, skin::colour::bodyTop.lighter(115));
    fill.setColorAt(0.5, skin::colour::bodyMid);
    fill.setColorAt(1.0, skin::colour::bodyBottom);
    p.fillPath(body, fill);
    // Accent stripe across the top, like the status well's lip; cut to the
    // body as a path, which the scalable picture keeps exactly.
    QPainterPath stripe;
    stripe.addRect(QRectF(tile.left(), tile.top() + s * 0.16, tile.width(), qMax(1.0, s * 0.035)));
    p.fillPath(stripe.intersected(body), skin::colour::accent);
    icon::lens(p, tile.center() + QPointF(0, s * 0.06), s * 0.3);
}

QImage productIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    paintProductIcon(p, size);
    return image;
}

} // namespace

void addProductIcons(Catalogue& catalogue)
{
    catalogue.add(QStringLiteral("icon_16.png"), productIcon(16),
        QStringLiteral("Product icon: desktop entry (16x16 apps)"));
    catalogue.add(QStringLiteral("icon_32.png"), productIcon(32),
        QStringLiteral("Product icon: about box `Image1`, window icon, desktop entry (32x32 apps)"));
    catalogue.add(QStringLiteral("icon_48.png"), productIcon(48),
        QStringLiteral("Product icon: window icon, desktop entry (48x48 apps)"));
    catalogue.add(QStringLiteral("icon_64.png"), productIcon(64),
        QStringLiteral("Product icon: desktop entry (64x64 apps)"));
    catalogue.add(QStringLiteral("icon_128.png"), productIcon(128),
        QStringLiteral("Product icon: desktop entry (128x128 apps), software centre"));
    catalogue.add(QStringLiteral("icon_256.png"), productIcon(256),
        QStringLiteral("Product icon: desktop entry (256x256 apps)"));
    // Drawn on a 256-unit square, scaled freely by the desktop.
    catalogue.addScalable(
        QStringLiteral("icon.svg"), QSize(256, 256), [](QPainter& p) { paintProductIcon(p, 256); },
        QStringLiteral("Product icon: desktop entry (scalable apps); not a resource"));
}
