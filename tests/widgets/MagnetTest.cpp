// SPDX-License-Identifier: GPL-2.0-or-later
#include "WidgetTestSupport.h"
#include "widgets/MagnetUnit.h"
#include "widgets/WindowMoveEvents.h"

#include <gtest/gtest.h>

namespace {

class Magnet : public ::testing::Test {
protected:
    void SetUp() override { EnsureApplication(); }

    // A shown window with an active magnet, configured as the program's
    // windows configure theirs.
    TMagnet* MagneticWindow(const QRect& bounds)
    {
        windows.push_back(ShowSkinnedWindow(bounds));
        auto* magnet = new TMagnet(windows.back().get());
        magnet->SetSnapOptions(soMagnet);
        magnet->SetEnableClustering(false);
        magnet->SetActive(true);
        return magnet;
    }

    // A user move of the magnet's window to `target`, one proposal long.
    static QRect UserMove(TMagnet* magnet, QPoint target)
    {
        QWidget* window = magnet->Owner();
        SendEnterSizeMove(window);
        const QRect granted = SendPosChanging(window, QRect(target, window->size()), false, true);
        SendExitSizeMove(window);
        return granted;
    }

    std::vector<std::unique_ptr<QWidget>> windows;
};

TEST_F(Magnet, ConstructionErrors)
{
    auto window = ShowSkinnedWindow(QRect(10, 10, 100, 100));
    auto* child = new QWidget(window.get());
    try {
        TMagnet magnet(child);
        FAIL() << "a child control cannot own a magnet";
    } catch (const EMagnetError& error) {
        EXPECT_STREQ(error.what(), "TMagnet.Owner must be a TForm");
    }
    EXPECT_THROW(TMagnet magnet(nullptr), EMagnetError);

    new TMagnet(window.get());
    try {
        TMagnet second(window.get());
        FAIL() << "a window owns one magnet only";
    } catch (const EMagnetError& error) {
        EXPECT_STREQ(error.what(), "TMagnet can occur only once in a TForm");
    }
    EXPECT_EQ(window->findChildren<TMagnet*>().size(), 1);
}

TEST_F(Magnet, ActiveListKeepsActivationOrder)
{
    TMagnet* a = MagneticWindow(QRect(0, 0, 50, 50));
    TMagnet* b = MagneticWindow(QRect(100, 0, 50, 50));
    TMagnet* c = MagneticWindow(QRect(200, 0, 50, 50));
    EXPECT_EQ(TMagnet::ActiveMagnets(), (QList<TMagnet*> { a, b, c }));
    a->SetActive(false);
    EXPECT_EQ(TMagnet::ActiveMagnets(), (QList<TMagnet*> { b, c }));
    a->SetActive(true);
    a->SetActive(true);
    EXPECT_EQ(TMagnet::ActiveMagnets(), (QList<TMagnet*> { b, c, a }));
    windows[1].reset(); // the window takes its magnet with it
    EXPECT_EQ(TMagnet::ActiveMagnets(), (QList<TMagnet*> { c, a }));
}

TEST_F(Magnet, NewestMagnetIsTestedFirst)
{
    // Two windows whose right edges are 10 px apart and a small window
    // between them: the one tested last wins, and that is the oldest.
    TMagnet* oldest = MagneticWindow(QRect(300, 0, 100, 100));
    TMagnet* newest = MagneticWindow(QRect(300, 0, 110, 100));
    TMagnet* mover = MagneticWindow(QRect(600, 0, 50, 50));
    EXPECT_EQ(UserMove(mover, { 405, 0 }).topLeft(), QPoint(400, 0));

    oldest->SetActive(false);
    oldest->SetActive(true);
    EXPECT_EQ(UserMove(mover, { 405, 0 }).topLeft(), QPoint(410, 0));
    (void)newest;
}

TEST_F(Magnet, OnlyVisibleWindowsWithActiveMagnetsAttract)
{
    TMagnet* main = MagneticWindow(QRect(50, 50, 354, 124));
    TMagnet* gallery = MagneticWindow(QRect(600, 300, 354, 148));
    const QPoint near { 418, 174 };
    EXPECT_EQ(UserMove(gallery, near).topLeft(), QPoint(404, 174));

    main->SetActive(false);
    EXPECT_EQ(UserMove(gallery, near).topLeft(), near);
    main->SetActive(true);

    main->Owner()->hide();
    EXPECT_EQ(UserMove(gallery, near).topLeft(), near);
    main->Owner()->show();
    EXPECT_EQ(UserMove(gallery, near).topLeft(), QPoint(404, 174));

    gallery->SetRange(10);
    EXPECT_EQ(UserMove(gallery, near).topLeft(), near);
}

TEST_F(Magnet, ProposalsOutsideAUserMoveAreLeftAlone)
{
    MagneticWindow(QRect(50, 50, 354, 124));
    TMagnet* gallery = MagneticWindow(QRect(600, 300, 354, 148));
    const QRect proposed(QPoint(418, 174), gallery->Owner()->size());
    EXPECT_EQ(SendPosChanging(gallery->Owner(), proposed, false, true), proposed);
    EXPECT_FALSE(gallery->Moving());
}

TEST_F(Magnet, ResizeSnapsOnlyTheDraggedEdge)
{
    TMagnet* other = MagneticWindow(QRect(300, 0, 200, 100));
    TMagnet* resized = MagneticWindow(QRect(0, 0, 200, 100));
    QWidget* window = resized->Owner();

    SendEnterSizeMove(window);
    EXPECT_TRUE(resized->Moving());
    QRect granted = SendPosChanging(window, QRect(0, 0, 290, 100), false, false);
    EXPECT_EQ(granted, QRect(0, 0, 300, 100));
    window->setGeometry(granted);
    // Further out, beyond the range, the edge follows the pointer again.
    granted = SendPosChanging(window, QRect(0, 0, 250, 100), false, false);
    EXPECT_EQ(granted, QRect(0, 0, 250, 100));
    // A proposal that must not change the size is treated as a move.
    granted = SendPosChanging(window, QRect(5, 3, 290, 100), false, true);
    EXPECT_EQ(granted.topLeft(), QPoint(0, 0));
    SendExitSizeMove(window);
    EXPECT_FALSE(resized->Moving());
    (void)other;
}

TEST_F(Magnet, SnapOptionsDecideWhatAttracts)
{
    MagneticWindow(QRect(50, 50, 354, 124));
    TMagnet* gallery = MagneticWindow(QRect(600, 300, 354, 148));
    gallery->SetSnapOptions({});
    EXPECT_EQ(UserMove(gallery, { 418, 174 }).topLeft(), QPoint(418, 174));

    // The main window's own magnet never keeps soInMainForm.
    TMagnet::SetMainForm(windows[0].get());
    TMagnet* mainMagnet = windows[0]->findChild<TMagnet*>();
    mainMagnet->SetSnapOptions(soMagnet | soInMainForm);
    EXPECT_EQ(mainMagnet->SnapOptions(), TSnapOptions(soMagnet));

    // Another window with soInMainForm stays inside the main window.
    gallery->SetSnapOptions(soInMainForm);
    gallery->Owner()->resize(100, 50);
    EXPECT_EQ(UserMove(gallery, { 360, 60 }).topLeft(), QPoint(304, 50));
    TMagnet::SetMainForm(nullptr);
}

TEST_F(Magnet, ClustersFormOnlyBetweenWindowsThatAllowThem)
{
    TMagnet* main = MagneticWindow(QRect(50, 50, 354, 124));
    TMagnet* gallery = MagneticWindow(QRect(600, 300, 354, 148));
    main->SetEnableClustering(true);
    UserMove(gallery, { 418, 174 });
    EXPECT_EQ(gallery->Cluster().size(), 1);
    EXPECT_EQ(main->Cluster().size(), 1);

    // With clustering on both sides, the snapped windows join and then move
    // together.
    gallery->SetEnableClustering(true);
    gallery->Owner()->move(600, 300);
    gallery->Owner()->move(UserMove(gallery, { 418, 174 }).topLeft());
    EXPECT_EQ(main->Cluster().size(), 2);
    SendEnterSizeMove(main->Owner());
    SendPosChanging(main->Owner(), QRect(QPoint(60, 70), main->Owner()->size()), false, true);
    SendExitSizeMove(main->Owner());
    EXPECT_EQ(gallery->Owner()->pos(), QPoint(414, 194));
}

} // namespace
