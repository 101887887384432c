// SPDX-License-Identifier: GPL-2.0-or-later
#include "paint.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

namespace skin {

void prepare(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
}

QPainterPath roundedRect(const QRectF& r, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

QPainterPath circle(const QPointF& centre, qreal radius)
{
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    return path;
}

QImage canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour::rim);
    return image;
}

void drawBody(QPainter& p, const QPainterPath& shape, const QRectF& bounds)
{
    p.save();
    // Rim first, then the body one pixel inside it: the outline stays dark all
    // round, which keeps the window's silhouette crisp on any desktop.
    p.fillPath(shape, colour::rim);
    const QRectF inner = shape.boundingRect().adjusted(1, 1, -1, -1);
    QPainterPath body = shape;
    {
        const QRectF outer = shape.boundingRect();
        QTransform shrink;
        shrink.translate(inner.center().x(), inner.center().y());
        shrink.scale(inner.width() / outer.width(), inner.height() / outer.height());
        shrink.translate(-outer.center().x(), -outer.center().y());
        body = shrink.map(shape);
    }
    QLinearGradient fill(bounds.topLeft(), bounds.bottomLeft());
    fill.setColorAt(0.0, colour::bodyTop);
    fill.setColorAt(0.22, colour::bodyMid.lighter(112));
    fill.setColorAt(0.55, colour::bodyMid);
    fill.setColorAt(1.0, colour::bodyBottom);
    p.fillPath(body, fill);

    // A soft sheen over the upper part, like light on brushed graphite.
    p.setClipPath(body);
    QRadialGradient sheen(
        QPointF(bounds.center().x(), bounds.top() - bounds.height() * 0.9), bounds.width() * 0.75);
    sheen.setColorAt(0.0, QColor(255, 255, 255, 38));
    sheen.setColorAt(0.75, QColor(255, 255, 255, 10));
    sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
    QPainterPath upper;
    upper.addRect(QRectF(bounds.left(), bounds.top(), bounds.width(), bounds.height() * 0.42));
    p.fillPath(upper, sheen);

    // Bevel: a bright line along the top edge, a dark one along the bottom.
    p.setBrush(Qt::NoBrush);
    QLinearGradient bevel(bounds.topLeft(), bounds.bottomLeft());
    bevel.setColorAt(0.0, QColor(255, 255, 255, 90));
    bevel.setColorAt(0.2, QColor(255, 255, 255, 18));
    bevel.setColorAt(0.8, QColor(0, 0, 0, 0));
    bevel.setColorAt(1.0, QColor(0, 0, 0, 110));
    p.setPen(QPen(QBrush(bevel), 1.2));
    QTransform inset;
    const QRectF b2 = inner.adjusted(0.6, 0.6, -0.6, -0.6);
    inset.translate(b2.center().x(), b2.center().y());
    inset.scale(b2.width() / inner.width(), b2.height() / inner.height());
    inset.translate(-inner.center().x(), -inner.center().y());
    p.drawPath(inset.map(body));
    p.restore();
}

void drawSocket(QPainter& p, const QPainterPath& hole)
{
    p.save();
    const QRectF r = hole.boundingRect();
    // Lower lip catches the light: draw the hole one pixel lower in a light
    // tone first, then the dark hole over it.
    p.fillPath(hole.translated(0, 1), QColor(255, 255, 255, 34));
    QLinearGradient dark(r.topLeft(), r.bottomLeft());
    dark.setColorAt(0.0, QColor(6, 7, 9));
    dark.setColorAt(1.0, QColor(22, 25, 30));
    p.fillPath(hole, dark);
    p.restore();
}

void drawWell(QPainter& p, const QRectF& r, qreal radius, bool accentLip)
{
    p.save();
    const QPainterPath well = roundedRect(r, radius);
    p.fillPath(well.translated(0, 1), QColor(255, 255, 255, 30));
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0.0, colour::wellTop);
    fill.setColorAt(1.0, colour::wellBottom);
    p.fillPath(well, fill);
    // Inner shadow along the top edge.
    p.setClipPath(well);
    QLinearGradient shadow(r.topLeft(), r.topLeft() + QPointF(0, 5));
    shadow.setColorAt(0.0, QColor(0, 0, 0, 150));
    shadow.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.fillRect(QRectF(r.left(), r.top(), r.width(), 5), shadow);
    if (accentLip) {
        QLinearGradient lip(r.bottomLeft(), r.bottomRight());
        QColor clear = colour::accent;
        clear.setAlpha(0);
        QColor lit = colour::accent;
        lit.setAlpha(150);
        lip.setColorAt(0.0, clear);
        lip.setColorAt(0.5, lit);
        lip.setColorAt(1.0, clear);
        p.fillRect(QRectF(r.left() + radius, r.bottom() - 1.0, r.width() - 2 * radius, 1.0), lip);
    }
    p.restore();
}

void drawCap(QPainter& p, const QPainterPath& cap, State s, const QRectF& iconBox, const IconPainter& icon)
{
    p.save();
    const QRectF r = cap.boundingRect();
    const bool down = s == State::Down;
    const bool lit = s != State::Rest;

    QLinearGradient face(r.topLeft(), r.bottomLeft());
    if (down) {
        face.setColorAt(0.0, QColor(30, 34, 39));
        face.setColorAt(1.0, QColor(56, 62, 70));
    } else if (lit) {
        face.setColorAt(0.0, QColor(112, 121, 133));
        face.setColorAt(0.5, QColor(76, 84, 94));
        face.setColorAt(1.0, QColor(52, 58, 66));
    } else {
        face.setColorAt(0.0, QColor(98, 106, 117));
        face.setColorAt(0.5, QColor(64, 70, 79));
        face.setColorAt(1.0, QColor(44, 49, 56));
    }
    // Drop shadow under a raised cap; none under a pressed one.
    if (!down)
        p.fillPath(cap.translated(0, 1.2), QColor(0, 0, 0, 120));
    p.fillPath(cap, face);

    // Edge: a light top rim on a raised cap, a dark one on a pressed cap.
    p.setClipPath(cap);
    p.setBrush(Qt::NoBrush);
    QLinearGradient edge(r.topLeft(), r.bottomLeft());
    if (down) {
        edge.setColorAt(0.0, QColor(0, 0, 0, 140));
        edge.setColorAt(1.0, QColor(255, 255, 255, 30));
    } else {
        edge.setColorAt(0.0, QColor(255, 255, 255, lit ? 150 : 110));
        edge.setColorAt(0.5, QColor(255, 255, 255, 10));
        edge.setColorAt(1.0, QColor(0, 0, 0, 90));
    }
    p.setPen(QPen(QBrush(edge), 2.0));
    p.drawPath(cap);
    p.setClipping(false);

    if (lit) {
        // The accent ring says "this one": a thin glow just outside the cap.
        QColor ring = colour::accent;
        ring.setAlpha(down ? 230 : 170);
        p.setPen(QPen(ring, 1.2));
        p.drawPath(cap);
    }

    const QRectF box = down ? iconBox.translated(0, 1) : iconBox;
    const QColor ink = down ? colour::accent.lighter(125) : lit ? colour::inkOver : colour::ink;
    icon(p, box, ink, s);
    p.restore();
}

void drawEngraved(QPainter& p, const QString& text, const QPointF& centre, qreal pixelSize, qreal spacing,
    const QColor& colour)
{
    p.save();
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(int(pixelSize));
    font.setBold(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    font.setHintingPreference(QFont::PreferFullHinting);
    p.setFont(font);
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(text) - spacing;
    const QPointF origin(centre.x() - width / 2, centre.y() + metrics.capHeight() / 2);
    p.setPen(QColor(0, 0, 0, 150));
    p.drawText(origin + QPointF(0, -1), text);
    p.setPen(colour);
    p.drawText(origin, text);
    p.restore();
}

QImage hardMasked(const QImage& art, const QPainterPath& shape, int scale)
{
    // The outline is rasterised at the window's own pixels and each of them
    // covers scale x scale pixels of the art: the window's shape (a mask of
    // whole window pixels) then leaves out exactly the fuchsia of every scale.
    QImage inside(art.width() / scale, art.height() / scale, QImage::Format_Grayscale8);
    inside.fill(0);
    {
        QPainter p(&inside);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillPath(shape, Qt::white);
    }
    QImage out = art.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        const uchar* keep = inside.constScanLine(y / scale);
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if (keep[x / scale] == 0)
                row[x] = colour::fuchsia.rgb();
    }
    return out;
}

} // namespace skin
