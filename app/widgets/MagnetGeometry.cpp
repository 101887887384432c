// SPDX-License-Identifier: GPL-2.0-or-later
#include "widgets/MagnetGeometry.h"

#include <cstdint>
#include <cstdlib>

namespace {

// The edges one past the last pixel.
int RightEdge(const QRect& r) { return r.x() + r.width(); }
int BottomEdge(const QRect& r) { return r.y() + r.height(); }

std::int64_t IntersectionArea(const QRect& a, const QRect& b)
{
    const QRect common = a.intersected(b);
    return std::int64_t(common.width()) * common.height();
}

bool Near(int a, int b, int range) { return std::abs(a - b) < range; }

// The four edge tests along one axis, for a window spanning [pos, pos + size)
// near another spanning [low, high); each test sees what the previous left.
int SnapEdges(int pos, int size, int low, int high, int range)
{
    if (Near(pos, high, range))
        pos = high;
    if (Near(pos, low, range))
        pos = low;
    if (Near(pos + size, low, range))
        pos = low - size;
    if (Near(pos + size, high, range))
        pos = high - size;
    return pos;
}

// Keeps [pos, pos + size) inside [low, high) along one axis.
int KeepInside(int pos, int size, int low, int high, int range)
{
    if (pos < low || Near(pos, low, range))
        return low;
    if (pos + size > high || Near(pos + size, high, range))
        return high - size;
    return pos;
}

} // namespace

QPoint MagnetTest(QPoint p, int w, int h, const QRect& r, int range)
{
    const QRect q(p, QSize(w, h));
    if (!q.intersects(r.adjusted(-range, -range, range, range)))
        return p;
    // A window dragged mostly over another is being placed on it, not beside it.
    const std::int64_t area = std::int64_t(w) * h;
    if (IntersectionArea(q, r) >= area / 2)
        return p;

    // The axes do not affect each other: left and right edges first, then top and bottom.
    return { SnapEdges(p.x(), w, r.left(), RightEdge(r), range),
        SnapEdges(p.y(), h, r.top(), BottomEdge(r), range) };
}

QPoint SnapPointToRects(
    QPoint p, int w, int h, const std::vector<QRect>& others, int range, std::vector<std::size_t>* touched)
{
    for (std::size_t i = 0; i < others.size(); ++i) {
        const QPoint before = p;
        p = MagnetTest(p, w, h, others[i], range);
        if (touched && p != before)
            touched->push_back(i);
    }
    return p;
}

QPoint SnapPointInside(QPoint p, int w, int h, const QRect& area, int range)
{
    return { KeepInside(p.x(), w, area.left(), RightEdge(area), range),
        KeepInside(p.y(), h, area.top(), BottomEdge(area), range) };
}

QRect ResizeSnap(QRect proposed, const QRect& last, QPoint snapped)
{
    if (proposed.left() != last.left())
        proposed.setLeft(snapped.x());
    else if (proposed.right() != last.right())
        proposed.setRight(proposed.right() + snapped.x() - proposed.left());

    if (proposed.top() != last.top())
        proposed.setTop(snapped.y());
    else if (proposed.bottom() != last.bottom())
        proposed.setBottom(proposed.bottom() + snapped.y() - proposed.top());
    return proposed;
}
