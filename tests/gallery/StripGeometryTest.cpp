// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/StripGeometry.h"

#include <gtest/gtest.h>

using namespace Strip;

TEST(StripGeometry, RoundsHalvesUp)
{
    EXPECT_EQ(ToPixels(130.5), 131);
    EXPECT_EQ(ToPixels(130.49), 130);
    EXPECT_EQ(ToPixels(0.5), 1);
    EXPECT_EQ(ToPixels(0.0), 0);
}

TEST(StripGeometry, StepsFollowTheHiddenCount)
{
    EXPECT_EQ(TrackRange, 261);
    // Six items: two hidden.
    EXPECT_DOUBLE_EQ(MoveStep(6), 130.5);
    EXPECT_DOUBLE_EQ(DragStep(6), 87.0);
    EXPECT_EQ(ToPixels(MoveStep(6)), 131);
    // Five items: one hidden, the whole track per step.
    EXPECT_DOUBLE_EQ(MoveStep(5), 261.0);
    EXPECT_DOUBLE_EQ(DragStep(5), 130.5);
    // Nothing hidden: no step, and no division by zero.
    EXPECT_DOUBLE_EQ(MoveStep(4), 0.0);
    EXPECT_DOUBLE_EQ(MoveStep(1), 0.0);
}

TEST(StripGeometry, ThumbStandsWhereTheOffsetSays)
{
    EXPECT_EQ(ThumbLeftForOffset(0, 6), Track.left());
    EXPECT_EQ(ThumbLeftForOffset(-80, 6), Track.left() + 131);
    EXPECT_EQ(ThumbLeftForOffset(-160, 6), Track.left() + 261);
    // The fifth item: the thumb at the track's right end.
    EXPECT_EQ(ThumbLeftForOffset(-80, 5), Track.left() + Track.width() - ThumbWidth);
    // An offset a drag left between two steps.
    EXPECT_EQ(ThumbLeftForOffset(-40, 6), Track.left() + ToPixels(0.5 * 130.5));
}

TEST(StripGeometry, PagesStopAtTheEnds)
{
    // Seven items at 0: only the 240 pixels that remain.
    EXPECT_EQ(PageRightOffset(0, 7), -240);
    EXPECT_EQ(PageRightOffset(0, 12), -320);
    EXPECT_EQ(PageRightOffset(-320, 12), -640);
    EXPECT_EQ(PageLeftOffset(-240), 0);
    EXPECT_EQ(PageLeftOffset(-320), 0);
    EXPECT_EQ(PageLeftOffset(-400), -80);
    EXPECT_EQ(PageLeftOffset(0), 0);
}

TEST(StripGeometry, OffsetsStayInRange)
{
    EXPECT_EQ(MinOffset(4), 0);
    EXPECT_EQ(MinOffset(7), -240);
    EXPECT_EQ(ClampOffset(-260, 7), -240);
    EXPECT_EQ(ClampOffset(30, 7), 0);
    EXPECT_EQ(ClampOffset(-80, 4), 0);
    EXPECT_EQ(ClampOffset(-123, 7), -123);
}

TEST(StripGeometry, DragFollowsTheThumb)
{
    // Grabbed 10 pixels into the thumb: the band runs from track left + 10
    // to track right - thumb width + 10.
    const QRect band = DragBand(10);
    EXPECT_EQ(band.left(), Track.left() + 10);
    EXPECT_EQ(band.right() + 1, Track.left() + Track.width() - ThumbWidth + 10);
    EXPECT_EQ(DraggedThumbLeft(Track.left(), -5), Track.left());
    EXPECT_EQ(DraggedThumbLeft(280, 50), Track.left() + Track.width() - ThumbWidth);
    EXPECT_EQ(DraggedThumbLeft(100, 7), 107);
    // Six items: drag step 87, so 87 pixels along the track scroll one item.
    EXPECT_EQ(DragOffset(Track.left(), 6), 0);
    EXPECT_EQ(DragOffset(Track.left() + 87, 6), -80);
    EXPECT_EQ(DragOffset(Track.left() + 40, 6), -ToPixels(40.0 / 87 * 80));
    // The far end scrolls no further than the hidden items.
    EXPECT_EQ(DragOffset(Track.left() + 261, 6), -160);
}
