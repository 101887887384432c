// SPDX-License-Identifier: GPL-2.0-or-later
// The glyphs drawn on the keys. Each fills the square `box` it is given, in
// the ink of the key's state; the state matters only to glyphs with a colour
// of their own (the record dot).
#pragma once

#include "paint.h"

namespace icon {

void camera(QPainter& p, const QRectF& box, const QColor& ink, skin::State s);
void recordDot(QPainter& p, const QRectF& box, const QColor& ink, skin::State s);
void photos(QPainter& p, const QRectF& box, const QColor& ink, skin::State s);
void filmStrip(QPainter& p, const QRectF& box, const QColor& ink, skin::State s);
void sliders(QPainter& p, const QRectF& box, const QColor& ink, skin::State s);
void resolution(QPainter& p, const QRectF& box, const QColor& ink, skin::State s);
void minimise(QPainter& p, const QRectF& box, const QColor& ink, skin::State s);
void cross(QPainter& p, const QRectF& box, const QColor& ink, skin::State s);
void save(QPainter& p, const QRectF& box, const QColor& ink, skin::State s);
void magnifier(QPainter& p, const QRectF& box, const QColor& ink, skin::State s);
void play(QPainter& p, const QRectF& box, const QColor& ink, skin::State s);
void trash(QPainter& p, const QRectF& box, const QColor& ink, skin::State s);
void arrowLeft(QPainter& p, const QRectF& box, const QColor& ink, skin::State s);
void arrowRight(QPainter& p, const QRectF& box, const QColor& ink, skin::State s);
void envelope(QPainter& p, const QRectF& box, const QColor& ink, skin::State s);

// The product's lens emblem, for the icon and the panels' ornaments.
void lens(QPainter& p, const QPointF& centre, qreal radius);

} // namespace icon
