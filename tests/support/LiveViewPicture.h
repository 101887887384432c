// SPDX-License-Identifier: GPL-2.0-or-later
// The started program's live view as a person sees it on a test's own X
// server: screenshots of the whole screen, and the wait for the camera's
// test picture to show in the live view.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

#include <functional>

namespace test_support {

// The live view opens at (404,50) with its picture panel at 16,11 inside.
inline const QRect LiveViewPanel(404 + 16, 50 + 11, 640, 480);

// The whole screen of `display`; a null image when it cannot be taken.
QImage ScreenShot(const QString& display);

// Distinct saturated colours along a row of a picture: the test picture's
// colour bars give six or more, a black or missing picture none.
int SaturatedColoursOnRow(const QImage& shot, int x0, int x1, int y);

// Which way the test picture's colour bars run from left to right: +1 for
// each step to the bar the camera shows next (grey, yellow, cyan, green,
// magenta, red, blue, and round again as the picture scrolls), -1 for each
// step back. A mirrored picture gives only steps back.
int BarDirection(const std::function<QColor(int x)>& pixel, int width);
// The same along a row of a picture, from x0 to x1.
int BarDirectionOnRow(const QImage& shot, int x0, int x1, int y);

// Takes screenshots until the live view panel shows the colour bars or
// `timeoutMs` passes. `lastShot` receives the last screenshot taken, to look
// at or keep when the picture did not come.
bool WaitForLiveViewPicture(const QString& display, int timeoutMs, QImage* lastShot = nullptr);

} // namespace test_support
