// SPDX-License-Identifier: GPL-2.0-or-later
// The source settings dialog and full-screen mode, in a Qt application
// without a display server.
#include "vidcore.h"
#include "vidcore_test_support.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

using namespace vidcore_test;

namespace {

QWidget* TopLevel(const char* objectName)
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == objectName && widget->isVisible())
            return widget;
    for (QWidget* widget : QApplication::allWidgets())
        if (widget->objectName() == objectName && widget->isVisible())
            return widget;
    return nullptr;
}

// The share of clearly coloured pixels in a row of the frame block.
double ColouredShare(const FrameMaps& maps, int row)
{
    const int width = maps.Width();
    const unsigned char* pixel = maps.pixels() + std::size_t(row) * width * 3;
    int coloured = 0;
    for (int x = 0; x < width; ++x, pixel += 3) {
        const int high = std::max({ pixel[0], pixel[1], pixel[2] });
        const int low = std::min({ pixel[0], pixel[1], pixel[2] });
        coloured += high - low > 40;
    }
    return double(coloured) / width;
}

class PressRecorder : public QWidget {
public:
    int leftPresses = 0;
    int otherPresses = 0;
    int keys = 0;
    int lastKey = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        (event->button() == Qt::LeftButton ? leftPresses : otherPresses)++;
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        ++keys;
        lastKey = event->key();
    }
};

int argc = 1;
char name[] = "vidcore_dialog_test";
char* argv[] = { name, nullptr };

} // namespace

TEST(VidcoreSourceDialog, BalanceSlidersChangeThePictureLive)
{
    QApplication app(argc, argv);
    FrameMaps maps;
    ChooseSyntheticDevices();
    ASSERT_TRUE(AM_OpenCaptureWindow(0, 0, 0));
    ASSERT_TRUE(maps.WaitForSize(640, 480));
    const int barRow = 400; // the colour bars, the block being bottom-up
    EXPECT_GT(ColouredShare(maps, barRow), 0.5);

    QWidget owner;
    owner.show();
    AM_VideoSource(uintptr_t(owner.winId()));
    QWidget* dialog = TopLevel("VidcoreSourceDialog");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->parentWidget(), &owner);
    QSlider* saturation = nullptr;
    for (QSlider* slider : dialog->findChildren<QSlider*>())
        if (slider->accessibleName() == "Saturation")
            saturation = slider;
    ASSERT_NE(saturation, nullptr);
    EXPECT_EQ(dialog->findChildren<QSlider*>().size(), 4);
    // The title bar has room for the camera's whole name in a bold title
    // face, its icon and buttons.
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Vidcore Test Camera"));
    QFont bold = dialog->font();
    bold.setBold(true);
    EXPECT_GE(dialog->width(), QFontMetrics(bold).horizontalAdvance(dialog->windowTitle()) + 3 * 24);

    saturation->setValue(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ColouredShare(maps, barRow) < 0.02; }));

    dialog->findChild<QPushButton*>("defaults")->click();
    EXPECT_EQ(saturation->value(), 100);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ColouredShare(maps, barRow) > 0.5; }));

    // A second call raises the open dialog rather than adding one.
    AM_VideoSource(uintptr_t(owner.winId()));
    int dialogs = 0;
    for (QWidget* widget : QApplication::allWidgets())
        dialogs += widget->objectName() == "VidcoreSourceDialog";
    EXPECT_EQ(dialogs, 1);

    // The dialog may outlive the capture.
    AM_VidCapCloseWindow(0);
    saturation->setValue(50);
    dialog->close();
}

TEST(VidcoreSourceDialog, NeedsAQtApplication)
{
    ChooseSyntheticDevices();
    ASSERT_TRUE(AM_OpenCaptureWindow(0, 0, 0));
    testing::internal::CaptureStderr();
    AM_VideoSource(0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Qt application"), std::string::npos);
    AM_VidCapCloseWindow(0);
}

TEST(VidcoreFullScreen, PressesReachTheGivenWindow)
{
    QApplication app(argc, argv);
    FrameMaps maps;
    ChooseSyntheticDevices();
    ASSERT_TRUE(AM_OpenCaptureWindow(0, 0, 0));
    PressRecorder target;
    target.show();
    AM_FullScreenMode(1, uintptr_t(target.winId()));
    QWidget* screen = TopLevel("VidcoreFullScreen");
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(screen->isFullScreen());

    const QPointF at(10, 10);
    QMouseEvent left(QEvent::MouseButtonPress, at, screen->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
        Qt::NoModifier);
    QMouseEvent right(QEvent::MouseButtonPress, at, screen->mapToGlobal(at), Qt::RightButton, Qt::RightButton,
        Qt::NoModifier);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(screen, &right);
    QCoreApplication::sendEvent(screen, &left);
    QCoreApplication::sendEvent(screen, &escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return target.leftPresses == 1 && target.keys == 1; }));
    EXPECT_EQ(target.otherPresses, 0);
    EXPECT_EQ(target.lastKey, Qt::Key_Escape);

    // Frames go on through the switch, and the window goes away when off.
    EXPECT_TRUE(maps.WaitForNewFrame(maps.FrameChecksum()));
    AM_FullScreenMode(0, 0);
    EXPECT_EQ(TopLevel("VidcoreFullScreen"), nullptr);
    EXPECT_TRUE(maps.WaitForNewFrame(maps.FrameChecksum()));
    AM_VidCapCloseWindow(0);
}
