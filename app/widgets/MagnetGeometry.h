// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QPoint>
#include <QRect>
#include <cstddef>
#include <vector>

// Window bounds are QRects. A window's right and bottom edges, where a
// neighbour lies flush, are one past QRect's right() and bottom(), which are
// the last pixel itself.

// Snaps the top-left point P of a W x H window against the bounds R of one
// other window: the eight edge tests, unless the window is out of range or
// lies mostly over R.
QPoint MagnetTest(QPoint p, int w, int h, const QRect& r, int range);

// Runs the magnet test against each of `others` in the given order, each test
// starting where the previous one left P. The indices of the rectangles that
// moved P are appended to `touched` when it is given.
QPoint SnapPointToRects(QPoint p, int w, int h, const std::vector<QRect>& others, int range,
    std::vector<std::size_t>* touched = nullptr);

// Keeps a W x H window inside `area`, pulling an edge onto the area's edge
// when it comes within range.
QPoint SnapPointInside(QPoint p, int w, int h, const QRect& area, int range);

// Resize snapping: `snapped` is the top-left point of `proposed` after point
// snapping; only the edges that the user is dragging (those that differ from
// `last`) follow it.
QRect ResizeSnap(QRect proposed, const QRect& last, QPoint snapped);
