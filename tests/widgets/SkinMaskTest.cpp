// SPDX-License-Identifier: GPL-2.0-or-later
#include "widgets/SkinMask.h"
#include "WidgetTestSupport.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

TEST(SkinMask, FuchsiaPixelsAreCutOutOfTheWindow)
{
    EnsureApplication();
    QImage skin(40, 30, QImage::Format_RGB32);
    skin.fill(qRgb(255, 0, 255));
    for (int y = 5; y < 25; ++y)
        for (int x = 5; x < 35; ++x)
            skin.setPixel(x, y, qRgb(255, 1, 255)); // nearly fuchsia still counts as skin

    QWidget window(nullptr, Qt::FramelessWindowHint);
    window.resize(skin.size());
    ApplySkinMask(&window, skin);
    const QRegion mask = window.mask();
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_FALSE(mask.contains(QPoint(4, 29)));
    EXPECT_TRUE(mask.contains(QPoint(5, 5)));
    EXPECT_TRUE(mask.contains(QPoint(34, 24)));
    EXPECT_FALSE(mask.contains(QPoint(35, 24)));
}

} // namespace
