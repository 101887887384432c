// SPDX-License-Identifier: GPL-2.0-or-later
#include "icons.h"

#include <QPainter>
#include <QRadialGradient>

namespace icon {
namespace {

    // Glyphs are drawn on a 24-unit grid mapped onto the box.
    class Grid {
    public:
        Grid(QPainter& p, const QRectF& box)
            : m_p(p)
        {
            m_p.save();
            m_p.translate(box.topLeft());
            m_p.scale(box.width() / 24.0, box.height() / 24.0);
        }
        ~Grid() { m_p.restore(); }
        Grid(const Grid&) = delete;
        Grid& operator=(const Grid&) = delete;

    private:
        QPainter& m_p;
    };

    QPen stroke(const QColor& ink, qreal width)
    {
        return QPen(ink, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    }

    QPainterPath rect(qreal x, qreal y, qreal w, qreal h, qreal r)
    {
        return skin::roundedRect(QRectF(x, y, w, h), r);
    }

    // A solid triangle with softened corners.
    void triangle(QPainter& p, const QColor& ink, qreal corner, QPointF a, QPointF b, QPointF c)
    {
        p.setPen(stroke(ink, corner));
        p.setBrush(ink);
        p.drawPolygon(QPolygonF({ a, b, c }));
    }

    QPainterPath polygon(std::initializer_list<QPointF> points)
    {
        QPainterPath path;
        path.addPolygon(QPolygonF(QList<QPointF>(points)));
        path.closeSubpath();
        return path;
    }

} // namespace

void camera(QPainter& p, const QRectF& box, const QColor& ink, skin::State)
{
    Grid grid(p, box);
    QPainterPath body = rect(1.5, 7, 21, 14, 3);
    body = body.united(polygon({ { 7, 7.5 }, { 8.8, 4 }, { 15.2, 4 }, { 17, 7.5 } }));
    body = body.subtracted(skin::circle({ 12, 14 }, 5.4));
    body = body.united(skin::circle({ 12, 14 }, 3.2));
    body = body.subtracted(skin::circle({ 18.6, 10.2 }, 1.1));
    p.fillPath(body, ink);
}

void recordDot(QPainter& p, const QRectF& box, const QColor&, skin::State s)
{
    Grid grid(p, box);
    const QPointF c(12, 12);
    if (s == skin::State::Over) {
        QRadialGradient glow(c, 11.5);
        glow.setColorAt(0.55, QColor(255, 60, 60, 120));
        glow.setColorAt(1.0, QColor(255, 60, 60, 0));
        p.fillPath(skin::circle(c, 11.5), glow);
    }
    const QColor base = s == skin::State::Down ? skin::colour::record.darker(130)
        : s == skin::State::Over               ? skin::colour::record.lighter(120)
                                               : skin::colour::record;
    QRadialGradient dot(QPointF(10, 9), 9);
    dot.setColorAt(0.0, base.lighter(150));
    dot.setColorAt(0.6, base);
    dot.setColorAt(1.0, base.darker(150));
    p.fillPath(skin::circle(c, 7.5), dot);
    p.setPen(QPen(QColor(0, 0, 0, 110), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 7.5, 7.5);
    // Specular spot.
    QRadialGradient spot(QPointF(9.6, 9.2), 3.2);
    spot.setColorAt(0.0, QColor(255, 255, 255, 170));
    spot.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillPath(skin::circle(QPointF(9.6, 9.2), 3.2), spot);
}

void photos(QPainter& p, const QRectF& box, const QColor& ink, skin::State)
{
    Grid grid(p, box);
    QPainterPath back = rect(7, 2.5, 15.5, 12.5, 1.8).subtracted(rect(8.9, 4.4, 11.7, 8.7, 0.8));
    back = back.subtracted(rect(0, 6.2, 18.8, 17, 2.5));
    p.fillPath(back, ink);
    QPainterPath front = rect(1.5, 8, 16, 13.5, 1.8).subtracted(rect(3.4, 9.9, 12.2, 9.7, 0.8));
    front = front.united(
        polygon({ { 3.4, 19.6 }, { 7.6, 13.6 }, { 10.6, 17.2 }, { 12.6, 15.2 }, { 15.6, 19.6 } }));
    front = front.united(skin::circle({ 12.6, 12.6 }, 1.4));
    p.fillPath(front, ink);
}

void filmStrip(QPainter& p, const QRectF& box, const QColor& ink, skin::State)
{
    Grid grid(p, box);
    QPainterPath film = rect(2.5, 2.5, 19, 19, 2.2);
    for (int i = 0; i < 4; ++i) {
        const qreal y = 4.4 + i * 4.2;
        film = film.subtracted(rect(4.1, y, 2.2, 2.4, 0.5));
        film = film.subtracted(rect(17.7, y, 2.2, 2.4, 0.5));
    }
    film = film.subtracted(rect(7.9, 4.4, 8.2, 15.2, 0.8));
    film = film.united(polygon({ { 10.2, 8.6 }, { 10.2, 15.4 }, { 14.8, 12 } }));
    p.fillPath(film, ink);
}

void sliders(QPainter& p, const QRectF& box, const QColor& ink, skin::State)
{
    Grid grid(p, box);
    p.setPen(stroke(ink, 1.9));
    const qreal rows[] = { 5.5, 12, 18.5 };
    const qreal knobs[] = { 8, 16, 11 };
    for (int i = 0; i < 3; ++i) {
        p.drawLine(QPointF(2.5, rows[i]), QPointF(21.5, rows[i]));
    }
    for (int i = 0; i < 3; ++i) {
        QPainterPath knob = skin::circle({ knobs[i], rows[i] }, 3.1);
        p.fillPath(knob, ink);
        p.fillPath(skin::circle({ knobs[i], rows[i] }, 1.3), QColor(40, 45, 52));
    }
}

void resolution(QPainter& p, const QRectF& box, const QColor& ink, skin::State)
{
    Grid grid(p, box);
    p.setBrush(Qt::NoBrush);
    p.setPen(stroke(ink, 1.8));
    p.drawRoundedRect(QRectF(2.5, 3.5, 19, 16), 1.8, 1.8);
    p.fillPath(rect(2.5, 12, 9, 7.5, 1.8), ink);
    // Arrow from the small picture to the large one's corner.
    p.setPen(stroke(ink, 1.9));
    p.drawLine(QPointF(13, 10.5), QPointF(18, 6.5));
    p.drawPolyline(QPolygonF({ QPointF(14.2, 6.2), QPointF(18.2, 6.2), QPointF(18.2, 10.2) }));
}

void minimise(QPainter& p, const QRectF& box, const QColor& ink, skin::State)
{
    Grid grid(p, box);
    p.setPen(stroke(ink, 3.6));
    p.drawLine(QPointF(5, 12), QPointF(19, 12));
}

void cross(QPainter& p, const QRectF& box, const QColor& ink, skin::State)
{
    Grid grid(p, box);
    p.setPen(stroke(ink, 3.4));
    p.drawLine(QPointF(6, 6), QPointF(18, 18));
    p.drawLine(QPointF(18, 6), QPointF(6, 18));
}

void save(QPainter& p, const QRectF& box, const QColor& ink, skin::State)
{
    Grid grid(p, box);
    p.setBrush(Qt::NoBrush);
    p.setPen(stroke(ink, 2.3));
    p.drawLine(QPointF(12, 3), QPointF(12, 14.5));
    p.drawPolyline(QPolygonF({ QPointF(7, 9.8), QPointF(12, 14.8), QPointF(17, 9.8) }));
    p.drawPolyline(
        QPolygonF({ QPointF(3.5, 14), QPointF(3.5, 20.5), QPointF(20.5, 20.5), QPointF(20.5, 14) }));
}

void magnifier(QPainter& p, const QRectF& box, const QColor& ink, skin::State)
{
    Grid grid(p, box);
    p.setBrush(Qt::NoBrush);
    p.setPen(stroke(ink, 2.4));
    p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
    p.setPen(stroke(ink, 3.4));
    p.drawLine(QPointF(15, 15), QPointF(20.5, 20.5));
}

void play(QPainter& p, const QRectF& box, const QColor& ink, skin::State)
{
    Grid grid(p, box);
    triangle(p, ink, 1.6, { 7, 4.5 }, { 7, 19.5 }, { 19.5, 12 });
}

void trash(QPainter& p, const QRectF& box, const QColor& ink, skin::State)
{
    Grid grid(p, box);
    p.setBrush(Qt::NoBrush);
    p.setPen(stroke(ink, 2.1));
    p.drawLine(QPointF(3.5, 6.2), QPointF(20.5, 6.2));
    p.drawPolyline(QPolygonF({ QPointF(9, 6), QPointF(9, 3.2), QPointF(15, 3.2), QPointF(15, 6) }));
    p.drawPolygon(QPolygonF({ QPointF(5.8, 8.8), QPointF(7, 21), QPointF(17, 21), QPointF(18.2, 8.8) }));
    p.setPen(stroke(ink, 1.7));
    p.drawLine(QPointF(10, 11.5), QPointF(10, 17.8));
    p.drawLine(QPointF(14, 11.5), QPointF(14, 17.8));
}

void arrowLeft(QPainter& p, const QRectF& box, const QColor& ink, skin::State)
{
    Grid grid(p, box);
    triangle(p, ink, 1.5, { 16.5, 4.5 }, { 16.5, 19.5 }, { 6.5, 12 });
}

void arrowRight(QPainter& p, const QRectF& box, const QColor& ink, skin::State)
{
    Grid grid(p, box);
    triangle(p, ink, 1.5, { 7.5, 4.5 }, { 7.5, 19.5 }, { 17.5, 12 });
}

void envelope(QPainter& p, const QRectF& box, const QColor& ink, skin::State)
{
    Grid grid(p, box);
    p.setBrush(Qt::NoBrush);
    p.setPen(stroke(ink, 1.9));
    p.drawRoundedRect(QRectF(2.5, 5.5, 19, 13.5), 1.8, 1.8);
    p.drawPolyline(QPolygonF({ QPointF(3.5, 7), QPointF(12, 13.2), QPointF(20.5, 7) }));
}

void lens(QPainter& p, const QPointF& c, qreal radius)
{
    p.save();
    // Knurled metal barrel.
    QLinearGradient barrel(c - QPointF(radius, radius), c + QPointF(radius, radius));
    barrel.setColorAt(0.0, QColor(150, 158, 168));
    barrel.setColorAt(0.45, QColor(60, 66, 74));
    barrel.setColorAt(1.0, QColor(20, 22, 26));
    p.fillPath(skin::circle(c, radius), barrel);
    p.fillPath(skin::circle(c, radius * 0.86), QColor(12, 14, 17));
    // Coated glass: deep blue with a cyan bloom low right.
    QRadialGradient glass(c + QPointF(radius * 0.18, radius * 0.22), radius * 0.78);
    glass.setColorAt(0.0, QColor(40, 120, 190));
    glass.setColorAt(0.35, QColor(18, 52, 96));
    glass.setColorAt(0.8, QColor(8, 14, 28));
    glass.setColorAt(1.0, QColor(4, 6, 10));
    p.fillPath(skin::circle(c, radius * 0.74), glass);
    // Aperture ring.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(90, 200, 255, 90), qMax(0.6, radius * 0.05)));
    p.drawEllipse(c, radius * 0.42, radius * 0.42);
    p.fillPath(skin::circle(c, radius * 0.2), QColor(2, 4, 8));
    // Highlights.
    QRadialGradient spot(c - QPointF(radius * 0.32, radius * 0.34), radius * 0.3);
    spot.setColorAt(0.0, QColor(255, 255, 255, 220));
    spot.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillPath(skin::circle(c - QPointF(radius * 0.32, radius * 0.34), radius * 0.3), spot);
    p.fillPath(
        skin::circle(c + QPointF(radius * 0.3, radius * 0.3), radius * 0.07), QColor(200, 240, 255, 160));
    p.restore();
}

} // namespace icon
