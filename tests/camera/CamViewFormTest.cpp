// SPDX-License-Identifier: GPL-2.0-or-later
// The live view window: its sizes per capture format, full screen and back,
// and what it hands to the main window. The capture library is the
// recording stand-in, so the full-screen calls can be checked exactly.
#include "CoreApplication.h"
#include "RecordingVidcore.h"
#include "camera/CamControllerUnit.h"
#include "camera/CamViewFrm.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

struct TCamViewFormTestAccess {
    static const QLabel* Backdrop(const TCamViewForm& view, size_t i) { return view.Backdrops.at(i); }
};

namespace {

class CamViewFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test_support::EnsureApplication<QApplication>(); }
    void SetUp() override
    {
        recording_vidcore::Reset();
        CreateCamController();
        View = new TCamViewForm();
        View->show();
    }
    void TearDown() override
    {
        delete View;
        DestroyCamController();
    }

    int VisibleBackdrop() const
    {
        int shown = -1;
        for (int i = 0; i < 6; ++i)
            if (!TCamViewFormTestAccess::Backdrop(*View, i)->isHidden()) {
                if (shown != -1)
                    return -2; // more than one
                shown = i;
            }
        return shown;
    }

    TCamViewForm* View = nullptr;
};

TEST_F(CamViewFormTest, SizesFollowTheCaptureFormat)
{
    EXPECT_EQ(View->size(), QSize(674, 519));
    EXPECT_EQ(View->ViewFormat(), 1);
    EXPECT_EQ(VisibleBackdrop(), 1);
    EXPECT_EQ(View->Panel()->geometry(), QRect(16, 11, 640, 480));
    EXPECT_FALSE(View->Panel()->isEnabled());
    EXPECT_TRUE(View->Panel()->isHidden());
    EXPECT_NE(View->ViewHandle(), 0u);

    View->ShowView();
    View->SetViewFormat(1); // the current format: the panel stays
    EXPECT_FALSE(View->Panel()->isHidden());

    View->SetViewFormat(2);
    EXPECT_EQ(View->size(), QSize(834, 639));
    EXPECT_EQ(View->Panel()->geometry(), QRect(16, 11, 800, 600));
    EXPECT_TRUE(View->Panel()->isHidden());
    EXPECT_EQ(VisibleBackdrop(), 2);

    View->SetViewFormat(5);
    EXPECT_EQ(View->size(), QSize(1637, 1243));
    View->SetViewFormat(0);
    EXPECT_EQ(View->size(), QSize(354, 280));
    EXPECT_EQ(View->Panel()->size(), QSize(320, 240));
    EXPECT_EQ(VisibleBackdrop(), 0);

    // Outside the table: remembered, nothing resized.
    View->SetViewFormat(6);
    EXPECT_EQ(View->ViewFormat(), 6);
    EXPECT_EQ(View->size(), QSize(354, 280));
    EXPECT_TRUE(recording_vidcore::Calls().empty());
}

TEST_F(CamViewFormTest, FullScreenAndBack)
{
    View->move(404, 50);
    View->ShowView();
    const QRect window = View->geometry();

    // Outside full screen Esc and a left press leave everything as it is.
    QTest::keyClick(View, Qt::Key_Escape);
    QTest::mousePress(View, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseRelease(View, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(View->geometry().size(), window.size());
    EXPECT_TRUE(recording_vidcore::Calls().empty());

    const uintptr_t handle = View->ViewHandle();
    View->EnterFullScreen();
    const QSize screen = View->screen()->size();
    EXPECT_TRUE(View->FullScreen());
    EXPECT_EQ(View->geometry(), QRect(QPoint(0, 0), screen));
    EXPECT_EQ(View->Panel()->geometry(), QRect(QPoint(0, 0), screen));
    EXPECT_TRUE(View->Panel()->isEnabled());
    EXPECT_TRUE(View->StaysOnTop());
    EXPECT_EQ(View->ViewHandle(), handle); // the native panel the library draws into survives
    ASSERT_EQ(recording_vidcore::Calls().size(), 1u);
    EXPECT_EQ(recording_vidcore::Calls()[0],
        "AM_FullScreenMode(1," + std::to_string(static_cast<unsigned long long>(View->winId())) + ")");

    QTest::keyClick(View, Qt::Key_Escape);
    EXPECT_FALSE(View->FullScreen());
    EXPECT_EQ(View->geometry(), window);
    EXPECT_EQ(View->Panel()->geometry(), QRect(16, 11, 640, 480));
    EXPECT_FALSE(View->Panel()->isEnabled());
    EXPECT_FALSE(View->StaysOnTop());
    EXPECT_EQ(View->ViewHandle(), handle);
    ASSERT_EQ(recording_vidcore::Calls().size(), 2u);
    EXPECT_EQ(recording_vidcore::Calls()[1], "AM_FullScreenMode(0,0)");

    // A left press leaves it too.
    View->EnterFullScreen();
    QTest::mousePress(View, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    EXPECT_FALSE(View->FullScreen());
    EXPECT_EQ(View->geometry(), window);
}

TEST_F(CamViewFormTest, RightReleaseGoesToTheMainWindowAndLeftDrags)
{
    View->move(404, 50);
    QSignalSpy menu(View, &TCamViewForm::nonClientRightButtonUp);
    QTest::mousePress(View, Qt::RightButton, Qt::NoModifier, QPoint(300, 300));
    QTest::mouseRelease(View, Qt::RightButton, Qt::NoModifier, QPoint(300, 300));
    ASSERT_EQ(menu.count(), 1);
    EXPECT_EQ(menu[0][0].toPoint(), View->mapToGlobal(QPoint(300, 300)));

    QTest::mousePress(View, Qt::LeftButton, Qt::NoModifier, QPoint(300, 300));
    QTest::mouseMove(View, QPoint(340, 320));
    QTest::mouseRelease(View, Qt::LeftButton, Qt::NoModifier, QPoint(340, 320));
    EXPECT_EQ(View->pos(), QPoint(444, 70));
}

} // namespace
