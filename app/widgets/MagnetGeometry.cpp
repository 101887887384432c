// SPDX-License-Identifier: GPL-2.0-or-later
#include "widgets/MagnetGeometry.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

bool Intersects(const TWinRect& a, const TWinRect& b)
{
    return std::max(a.Left, b.Left) < std::min(a.Right, b.Right)
        && std::max(a.Top, b.Top) < std::min(a.Bottom, b.Bottom);
}

std::int64_t IntersectionArea(const TWinRect& a, const TWinRect& b)
{
    if (!Intersects(a, b))
        return 0;
    const std::int64_t w = std::min(a.Right, b.Right) - std::max(a.Left, b.Left);
    const std::int64_t h = std::min(a.Bottom, b.Bottom) - std::max(a.Top, b.Top);
    return w * h;
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

TWinRect WinRectFromQRect(const QRect& r) { return { r.x(), r.y(), r.x() + r.width(), r.y() + r.height() }; }

QRect QRectFromWinRect(const TWinRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

QPoint MagnetTest(QPoint p, int w, int h, const TWinRect& r, int range)
{
    const TWinRect q { p.x(), p.y(), p.x() + w, p.y() + h };
    const TWinRect reach { r.Left - range, r.Top - range, r.Right + range, r.Bottom + range };
    if (!Intersects(q, reach))
        return p;
    // A window dragged mostly over another is being placed on it, not beside it.
    const std::int64_t area = std::int64_t(w) * h;
    if (IntersectionArea(q, r) >= area / 2)
        return p;

    // The axes do not affect each other: left and right edges first, then top and bottom.
    return { SnapEdges(p.x(), w, r.Left, r.Right, range), SnapEdges(p.y(), h, r.Top, r.Bottom, range) };
}

QPoint SnapPointToRects(
    QPoint p, int w, int h, const std::vector<TWinRect>& others, int range, std::vector<std::size_t>* touched)
{
    for (std::size_t i = 0; i < others.size(); ++i) {
        const QPoint before = p;
        p = MagnetTest(p, w, h, others[i], range);
        if (touched && p != before)
            touched->push_back(i);
    }
    return p;
}

QPoint SnapPointInside(QPoint p, int w, int h, const TWinRect& area, int range)
{
    return { KeepInside(p.x(), w, area.Left, area.Right, range),
        KeepInside(p.y(), h, area.Top, area.Bottom, range) };
}

TWinRect ResizeSnap(TWinRect proposed, const TWinRect& last, QPoint snapped)
{
    if (proposed.Left != last.Left)
        proposed.Left = snapped.x();
    else if (proposed.Right != last.Right)
        proposed.Right += snapped.x() - proposed.Left;

    if (proposed.Top != last.Top)
        proposed.Top = snapped.y();
    else if (proposed.Bottom != last.Bottom)
        proposed.Bottom += snapped.y() - proposed.Top;
    return proposed;
}
