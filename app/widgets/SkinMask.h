// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

class QImage;
class QPixmap;
class QWidget;

// Gives the window the outline of its skin: fuchsia (255, 0, 255) pixels
// become holes, and presses on them go to whatever lies beneath.
// A picture of a higher density (devicePixelRatio above 1) gives the same
// outline in window pixels.
void ApplySkinMask(QWidget* window, const QImage& skin);
void ApplySkinMask(QWidget* window, const QPixmap& skin);
