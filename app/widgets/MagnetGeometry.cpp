#include "MagnetGeometry.h"

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

    int x = p.x();
    if (Near(x, r.Right, range))
        x = r.Right;
    if (Near(x, r.Left, range))
        x = r.Left;
    if (Near(x + w, r.Left, range))
        x = r.Left - w;
    if (Near(x + w, r.Right, range))
        x = r.Right - w;

    int y = p.y();
    if (Near(y, r.Bottom, range))
        y = r.Bottom;
    if (Near(y, r.Top, range))
        y = r.Top;
    if (Near(y + h, r.Top, range))
        y = r.Top - h;
    if (Near(y + h, r.Bottom, range))
        y = r.Bottom - h;
    return { x, y };
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
    int x = p.x();
    if (x < area.Left || Near(x, area.Left, range))
        x = area.Left;
    else if (x + w > area.Right || Near(x + w, area.Right, range))
        x = area.Right - w;
    int y = p.y();
    if (y < area.Top || Near(y, area.Top, range))
        y = area.Top;
    else if (y + h > area.Bottom || Near(y + h, area.Bottom, range))
        y = area.Bottom - h;
    return { x, y };
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
