// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

class QImage;
class QWidget;

// Gives the window the outline of its skin: fuchsia (255, 0, 255) pixels
// become holes, and presses on them go to whatever lies beneath.
void ApplySkinMask(QWidget* window, const QImage& skin);
