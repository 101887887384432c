// SPDX-License-Identifier: GPL-2.0-or-later
#include "widgets/MagnetGeometry.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

constexpr int kRange = 15;

// Window bounds by their edges, right and bottom one past the last pixel.
QRect Edges(int left, int top, int right, int bottom) { return QRect(left, top, right - left, bottom - top); }

// The main window's bounds at its first-run place, and a gallery's size.
const QRect kMain = Edges(50, 50, 404, 174);
constexpr int kGalleryW = 354;
constexpr int kGalleryH = 148;

TEST(MagnetGeometry, GalleryWithin14PixelsOfTheMainWindowSnapsFlushAt15ItDoesNot)
{
    EXPECT_EQ(MagnetTest({ 404 + 14, 174 }, kGalleryW, kGalleryH, kMain, kRange), QPoint(404, 174));
    EXPECT_EQ(MagnetTest({ 404 + 15, 174 }, kGalleryW, kGalleryH, kMain, kRange), QPoint(404 + 15, 174));
    // Vertically below, 14 px lower and 9 px to the right: both edges line up.
    EXPECT_EQ(MagnetTest({ 59, 174 + 14 }, kGalleryW, kGalleryH, kMain, kRange), QPoint(50, 174));
    EXPECT_EQ(MagnetTest({ 59, 174 + 15 }, kGalleryW, kGalleryH, kMain, kRange), QPoint(59, 174 + 15));
}

TEST(MagnetGeometry, EightEdgeTestsPullEachEdgeOntoTheNearEdge)
{
    const QRect r = Edges(100, 100, 200, 200);
    // Left edge to the other's right edge, and top edges aligned.
    EXPECT_EQ(MagnetTest({ 210, 95 }, 50, 50, r, kRange), QPoint(200, 100));
    // Right edge to the other's left edge, bottoms aligned.
    EXPECT_EQ(MagnetTest({ 45, 155 }, 50, 50, r, kRange), QPoint(50, 150));
    // Top edge to the other's bottom edge, left edges aligned.
    EXPECT_EQ(MagnetTest({ 110, 212 }, 50, 50, r, kRange), QPoint(100, 200));
    // Bottom edge to the other's top edge, right edges aligned.
    EXPECT_EQ(MagnetTest({ 145, 40 }, 50, 50, r, kRange), QPoint(150, 50));
    // Far away: untouched.
    EXPECT_EQ(MagnetTest({ 400, 400 }, 50, 50, r, kRange), QPoint(400, 400));
}

TEST(MagnetGeometry, LaterEdgeTestsStartFromWhatEarlierOnesLeft)
{
    // A window narrower than the range, 5 px right of the other's right
    // edge: test 1 puts its left edge on that edge, which brings its right
    // edge within range of it, so test 4 aligns the right edges instead.
    const QRect r = Edges(0, 0, 100, 100);
    EXPECT_EQ(MagnetTest({ 105, 50 }, 10, 10, r, kRange), QPoint(90, 50));
}

TEST(MagnetGeometry, WindowMostlyOverAnotherDoesNotSnap)
{
    const QRect r = Edges(0, 0, 100, 100);
    EXPECT_EQ(MagnetTest({ 5, 8 }, 100, 100, r, kRange), QPoint(5, 8));

    // 100 x 100 over a flat 300 x 50 window: an overlap of exactly half
    // stays put, one pixel row less and it snaps.
    const QRect flat = Edges(0, 0, 300, 50);
    EXPECT_EQ(MagnetTest({ 195, 0 }, 100, 100, flat, kRange), QPoint(195, 0));
    EXPECT_EQ(MagnetTest({ 195, 1 }, 100, 100, flat, kRange), QPoint(200, 0));
    // The half of an odd area is truncated: 3 x 3 = 9 gives 4, and an overlap
    // of 2 x 2 = 4 is already too much.
    EXPECT_EQ(MagnetTest({ 98, 99 }, 3, 3, Edges(0, 0, 100, 101), kRange), QPoint(98, 99));
}

TEST(MagnetGeometry, RectanglesAreTestedInTheGivenOrderAndTouchedOnesReported)
{
    const std::vector<QRect> newestFirst { Edges(300, 0, 410, 100), Edges(300, 0, 400, 100),
        Edges(900, 900, 950, 950) };
    std::vector<std::size_t> touched;
    EXPECT_EQ(SnapPointToRects({ 405, 0 }, 50, 50, newestFirst, kRange, &touched), QPoint(400, 0));
    EXPECT_EQ(touched, (std::vector<std::size_t> { 0, 1 }));

    const std::vector<QRect> oldestFirst { newestFirst[1], newestFirst[0] };
    EXPECT_EQ(SnapPointToRects({ 405, 0 }, 50, 50, oldestFirst, kRange), QPoint(410, 0));
}

TEST(MagnetGeometry, ResizeMovesOnlyTheDraggedEdges)
{
    const QRect last = Edges(0, 0, 200, 100);
    const QRect other = Edges(300, 0, 500, 100);
    // Right edge dragged to 290, 10 px short of the other's left edge.
    QRect proposed = Edges(0, 0, 290, 100);
    QPoint snapped = MagnetTest(proposed.topLeft(), proposed.width(), proposed.height(), other, kRange);
    EXPECT_EQ(ResizeSnap(proposed, last, snapped), Edges(0, 0, 300, 100));

    // Left edge dragged to 510, near the other's right edge at 500.
    const QRect lastRight = Edges(600, 0, 800, 100);
    proposed = Edges(510, 0, 800, 100);
    snapped = MagnetTest(proposed.topLeft(), proposed.width(), proposed.height(), other, kRange);
    EXPECT_EQ(ResizeSnap(proposed, lastRight, snapped), Edges(500, 0, 800, 100));

    // Bottom edge dragged to 10 px above the other's top edge.
    const QRect below = Edges(0, 200, 100, 300);
    const QRect lastAbove = Edges(0, 0, 100, 100);
    proposed = Edges(0, 0, 100, 190);
    snapped = MagnetTest(proposed.topLeft(), proposed.width(), proposed.height(), below, kRange);
    EXPECT_EQ(ResizeSnap(proposed, lastAbove, snapped), Edges(0, 0, 100, 200));
}

TEST(MagnetGeometry, InsideAnAreaEdgesSnapAndWindowsStayIn)
{
    const QRect screen = Edges(0, 0, 800, 600);
    EXPECT_EQ(SnapPointInside({ 10, 590 }, 100, 50, screen, kRange), QPoint(0, 550));
    EXPECT_EQ(SnapPointInside({ 690, 300 }, 100, 50, screen, kRange), QPoint(700, 300));
    EXPECT_EQ(SnapPointInside({ -40, -5 }, 100, 50, screen, kRange), QPoint(0, 0));
    EXPECT_EQ(SnapPointInside({ 300, 300 }, 100, 50, screen, kRange), QPoint(300, 300));
}

} // namespace
