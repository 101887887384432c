// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/StripGeometry.h"

#include <algorithm>
#include <cmath>

namespace Strip {

int ToPixels(double v) { return static_cast<int>(std::trunc(v + 0.5)); }

int StripWidth(int count) { return ItemWidth * count; }

int HiddenCount(int count) { return count - VisibleItems; }

double DragStep(int count) { return static_cast<double>(TrackRange) / (HiddenCount(count) + 1); }

double MoveStep(int count)
{
    const int hidden = HiddenCount(count);
    return hidden > 0 ? static_cast<double>(TrackRange) / hidden : 0.0;
}

int MinOffset(int count) { return std::min(0, ViewportWidth - StripWidth(count)); }

int ClampOffset(int offset, int count) { return std::clamp(offset, MinOffset(count), 0); }

double ScrolledItems(int offset) { return std::abs(offset) / static_cast<double>(ItemWidth); }

int ThumbLeftForOffset(int offset, int count)
{
    return Track.left() + ToPixels(ScrolledItems(offset) * MoveStep(count));
}

int PageLeftOffset(int offset) { return std::abs(offset) >= PageWidth ? offset + PageWidth : 0; }

int PageRightOffset(int offset, int count)
{
    return offset - std::min(StripWidth(count) - std::abs(offset) - PageWidth, PageWidth);
}

QRect DragBand(int grabX)
{
    QRect band = Track;
    band.setRight(band.right() - ThumbWidth);
    return band.translated(grabX, 0);
}

int DraggedThumbLeft(int thumbLeft, int delta)
{
    return std::max(Track.left(), std::min(Track.left() + Track.width() - ThumbWidth, thumbLeft + delta));
}

int DragOffset(int thumbLeft, int count)
{
    const double items
        = std::min((thumbLeft - Track.left()) / DragStep(count), static_cast<double>(HiddenCount(count)));
    return -ToPixels(items * ItemWidth);
}

} // namespace Strip
