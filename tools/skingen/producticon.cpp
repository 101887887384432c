// SPDX-License-Identifier: GPL-2.0-or-later
// The product icon: the lens on a graphite tile, with a transparent outside
// (it is a window and desktop icon, not a colour-keyed skin).
#include "catalogue.h"
#include "icons.h"
#include "skinset.h"

#include <QPainter>

namespace {

QImage productIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    skin::prepare(p);
    const qreal s = size;
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
    // Accent stripe across the top, like the status well's lip.
    p.save();
    p.setClipPath(body);
    p.fillRect(
        QRectF(tile.left(), tile.top() + s * 0.16, tile.width(), qMax(1.0, s * 0.035)), skin::colour::accent);
    p.restore();
    icon::lens(p, tile.center() + QPointF(0, s * 0.06), s * 0.3);
    return image;
}

} // namespace

void addProductIcons(Catalogue& catalogue)
{
    catalogue.add(QStringLiteral("icon_32.png"), productIcon(32),
        QStringLiteral("Product icon: about box `Image1`, window icon"));
    catalogue.add(QStringLiteral("icon_48.png"), productIcon(48),
        QStringLiteral("Product icon: window icon, desktop entry (48x48 apps)"));
    catalogue.add(QStringLiteral("icon_256.png"), productIcon(256),
        QStringLiteral("Product icon: desktop entry (256x256 apps)"));
}
