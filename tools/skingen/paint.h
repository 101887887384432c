// SPDX-License-Identifier: GPL-2.0-or-later
// Drawing primitives shared by every skin: the graphite palette, the panel
// body, recessed sockets, key caps and the hard fuchsia mask.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRectF>

#include <functional>

class QPainter;

namespace skin {

// Look of a button in one picture of the set.
enum class State { Rest, Over, Down };

// What a key draws on its cap: the icon box and the ink to use.
using IconPainter = std::function<void(QPainter&, const QRectF& box, const QColor& ink, State)>;

namespace colour {
    inline const QColor fuchsia { 255, 0, 255 };
    inline const QColor rim { 11, 13, 16 };
    inline const QColor bodyTop { 78, 85, 95 };
    inline const QColor bodyMid { 46, 51, 58 };
    inline const QColor bodyBottom { 28, 31, 36 };
    inline const QColor wellTop { 9, 11, 14 };
    inline const QColor wellBottom { 24, 28, 33 };
    inline const QColor accent { 54, 179, 255 };
    inline const QColor accentDeep { 20, 120, 200 };
    inline const QColor ink { 226, 232, 238 };
    inline const QColor inkOver { 255, 255, 255 };
    inline const QColor danger { 229, 72, 77 };
    inline const QColor record { 222, 38, 44 };
} // namespace colour

// A painter on `image` with antialiasing and smooth transforms on.
void prepare(QPainter& p);

// The graphite panel filling `shape`, lit from above. `bounds` is the area the
// gradient spans, so that two windows of the same height look alike.
void drawBody(QPainter& p, const QPainterPath& shape, const QRectF& bounds);

// A recess cut into the body: darker inside, lit on its lower lip.
void drawSocket(QPainter& p, const QPainterPath& hole);

// A dark display well with an inner shadow and a thin accent lip underneath.
void drawWell(QPainter& p, const QRectF& r, qreal radius, bool accentLip);

// A raised key cap of `cap` shape sitting in its socket, in the given state,
// with the icon painted by `icon` into `iconBox` (moved down when pressed).
void drawCap(QPainter& p, const QPainterPath& cap, State s, const QRectF& iconBox, const IconPainter& icon);

// Convenience shapes.
QPainterPath roundedRect(const QRectF& r, qreal radius);
QPainterPath circle(const QPointF& centre, qreal radius);

// Letter-spaced engraved text, centred on `centre` (a brand mark, not a UI text).
void drawEngraved(QPainter& p, const QString& text, const QPointF& centre, qreal pixelSize, qreal spacing,
    const QColor& colour);

// Turns everything outside `shape` into pure fuchsia. The shape is rasterised
// without antialiasing, and whatever was painted inside stays, so the edge
// pixels are blends of body and rim colours, never of fuchsia.
// `art` is drawn at `scale` times the window's pixels; the shape is in window
// pixels and the fuchsia follows whole window pixels at every scale.
QImage hardMasked(const QImage& art, const QPainterPath& shape, int scale = 1);

// A fresh opaque canvas filled with the rim colour.
QImage canvas(int width, int height);

} // namespace skin
