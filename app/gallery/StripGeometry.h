// SPDX-License-Identifier: GPL-2.0-or-later
// The arithmetic of the gallery strip: thumbnails of 80 x 60 in a viewport of
// four, a scroll track with a thumb beneath. Pure functions over the strip
// offset (the strip's left inside the viewport, 0 or negative), the item
// count and the thumb's left, all in window pixels.
#pragma once

#include <QRect>

namespace Strip {

constexpr int ItemWidth = 80;
constexpr int ItemHeight = 60;
constexpr int ViewportWidth = 320;
constexpr int VisibleItems = ViewportWidth / ItemWidth;
constexpr int PageWidth = 320;
constexpr QRect Track { 29, 83, 294, 12 };
constexpr int ThumbWidth = 33;
constexpr int TrackRange = 294 - ThumbWidth; // how far the thumb travels

// Real numbers become pixels with halves going up.
int ToPixels(double v);

int StripWidth(int count);
// Items beyond the four visible ones.
int HiddenCount(int count);
// The thumb's travel per hidden item while dragging and while stepping.
double DragStep(int count);
double MoveStep(int count);

// The offsets the strip may take: from -80 x hidden items up to 0.
int MinOffset(int count);
int ClampOffset(int offset, int count);

// How far the strip is scrolled, in items; not whole after a drag.
double ScrolledItems(int offset);
// The thumb's left for an offset (hidden count above zero).
int ThumbLeftForOffset(int offset, int count);

int PageLeftOffset(int offset);
int PageRightOffset(int offset, int count);

// The cursor positions for which the thumb, held at grabX inside it, lies on the track.
QRect DragBand(int grabX);
int DraggedThumbLeft(int thumbLeft, int delta);
int DragOffset(int thumbLeft, int count);

} // namespace Strip
