// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QPoint>
#include <QRect>
#include <ostream>

// Readable failure messages for the value types the tests compare.
inline void PrintTo(const QPoint& point, std::ostream* os)
{
    *os << "(" << point.x() << ", " << point.y() << ")";
}

inline void PrintTo(const QRect& rect, std::ostream* os)
{
    *os << "(" << rect.x() << ", " << rect.y() << ", " << rect.width() << " x " << rect.height() << ")";
}
