// SPDX-License-Identifier: GPL-2.0-or-later
#include "widgets/SkinnedWindowDrag.h"
#include "WidgetTestSupport.h"
#include "widgets/ImageButton.h"
#include "widgets/MagnetUnit.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// The main window and a gallery at their first-run places, both magnetic as
// the program makes them; the gallery can be dragged by its skin except over
// its close button.
class SkinnedWindowDrag : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureApplication();
        main = ShowSkinnedWindow(QRect(50, 50, 354, 124));
        gallery = ShowSkinnedWindow(QRect(50, 322, 354, 148));
        ASSERT_TRUE(main && gallery);
        for (QWidget* window : { main.get(), gallery.get() }) {
            auto* magnet = new TMagnet(window);
            magnet->SetSnapOptions(soMagnet);
            magnet->SetEnableClustering(false);
            magnet->SetActive(true);
        }
        closeButton = new TImageButton(gallery.get());
        closeButton->setGeometry(320, 10, 20, 20);
        closeButton->show();
        strip = new TImageButton(gallery.get());
        strip->setGeometry(17, 18, 200, 60);
        strip->show();
        drag = new TSkinnedWindowDrag(gallery.get());
        const QRect noDrag = closeButton->geometry();
        drag->SetCaptionTest([noDrag](const QPoint& pos) { return !noDrag.contains(pos); });
        gallery->setContextMenuPolicy(Qt::CustomContextMenu);
    }

    void TearDown() override
    {
        if (drag && drag->Moving())
            ReleaseAt(gallery.get(), QCursor::pos());
    }

    // Drags the gallery, grabbed 30 px right of and 100 px below its
    // top-left corner, so that its top-left would land on `target`.
    void DragGalleryTo(QPoint target, Qt::KeyboardModifiers modifiers = {})
    {
        MoveTo(gallery.get(), target + grab, modifiers);
    }

    const QPoint grab { 30, 100 };
    std::unique_ptr<QWidget> main;
    std::unique_ptr<QWidget> gallery;
    TImageButton* closeButton = nullptr;
    TImageButton* strip = nullptr;
    TSkinnedWindowDrag* drag = nullptr;
};

TEST_F(SkinnedWindowDrag, DraggedGallerySnapsToTheMainWindowUnlessCtrlIsHeld)
{
    QSignalSpy stripPresses(strip, &TImageButton::mouseDown);
    PressAt(gallery.get(), gallery->pos() + grab);
    ASSERT_TRUE(drag->Moving());
    EXPECT_TRUE(gallery->findChild<TMagnet*>()->Moving());

    DragGalleryTo({ 600, 300 });
    EXPECT_EQ(gallery->pos(), QPoint(600, 300));
    DragGalleryTo({ 404 + 14, 100 });
    EXPECT_EQ(gallery->pos(), QPoint(404, 100)) << "14 px off the right edge snaps flush";
    DragGalleryTo({ 404 + 15, 100 });
    EXPECT_EQ(gallery->pos(), QPoint(404 + 15, 100)) << "15 px off does not";
    DragGalleryTo({ 404 + 5, 100 }, Qt::ControlModifier);
    EXPECT_EQ(gallery->pos(), QPoint(404 + 5, 100)) << "Ctrl suspends snapping";
    DragGalleryTo({ 404 + 6, 100 });
    EXPECT_EQ(gallery->pos(), QPoint(404, 100)) << "the next move without Ctrl snaps again";
    // Mostly over the main window: no snapping to it.
    DragGalleryTo({ 60, 60 });
    EXPECT_EQ(gallery->pos(), QPoint(60, 60));

    ReleaseAt(gallery.get(), gallery->pos() + grab);
    EXPECT_FALSE(drag->Moving());
    EXPECT_FALSE(gallery->findChild<TMagnet*>()->Moving());
    EXPECT_EQ(stripPresses.count(), 0) << "a control on a caption point gets no press";

    // Moves made by the program are never snapped.
    gallery->move(404 + 5, 174);
    EXPECT_EQ(gallery->pos(), QPoint(404 + 5, 174));
    MoveTo(gallery.get(), gallery->pos() + grab + QPoint(1, 1));
    EXPECT_EQ(gallery->pos(), QPoint(404 + 5, 174)) << "moving without a press drags nothing";
}

TEST_F(SkinnedWindowDrag, NoDragControlsKeepTheirPresses)
{
    QSignalSpy clicks(closeButton, &TImageButton::clicked);
    const QPoint onClose = closeButton->mapToGlobal(QPoint(5, 5));
    const QPoint before = gallery->pos();
    PressAt(gallery.get(), onClose);
    EXPECT_FALSE(drag->Moving());
    MoveTo(gallery.get(), onClose + QPoint(2, 2));
    EXPECT_EQ(gallery->pos(), before);
    ReleaseAt(gallery.get(), onClose + QPoint(2, 2));
    EXPECT_EQ(clicks.count(), 1);

    // A hidden no-drag control still keeps the window from being dragged.
    closeButton->hide();
    PressAt(gallery.get(), onClose);
    EXPECT_FALSE(drag->Moving());
    ReleaseAt(gallery.get(), onClose);
}

TEST_F(SkinnedWindowDrag, RightClickOnTheCaptionIsANonClientRelease)
{
    QSignalSpy captionReleases(drag, &TSkinnedWindowDrag::nonClientRightButtonUp);
    QSignalSpy menus(gallery.get(), &QWidget::customContextMenuRequested);
    const QPoint onSkin = gallery->mapToGlobal(QPoint(250, 120));
    PressAt(gallery.get(), onSkin, Qt::RightButton);
    ReleaseAt(gallery.get(), onSkin, Qt::RightButton);
    ASSERT_EQ(captionReleases.count(), 1);
    EXPECT_EQ(captionReleases.at(0).at(0).toPoint(), onSkin);
    EXPECT_EQ(menus.count(), 0);
    EXPECT_EQ(gallery->pos(), QPoint(50, 322));

    // Over a no-drag control the window's ordinary context menu applies.
    const QPoint onClose = closeButton->mapToGlobal(QPoint(5, 5));
    PressAt(gallery.get(), onClose, Qt::RightButton);
    ReleaseAt(gallery.get(), onClose, Qt::RightButton);
    EXPECT_EQ(captionReleases.count(), 1);
    EXPECT_EQ(menus.count(), 1);
}

} // namespace
