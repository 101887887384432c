// SPDX-License-Identifier: GPL-2.0-or-later
// The live preview drawn into a real X window, on an Xvfb server of the
// test's own.
#include "vidcore.h"
#include "vidcore_notice.h"
#include "vidcore_test_support.h"

#include "LiveViewPicture.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <string>

using namespace vidcore_test;

namespace {

double ColouredShare(const QImage& image, int y, int width)
{
    int coloured = 0;
    for (int x = 0; x < width; ++x) {
        const QColor c = image.pixelColor(x, y);
        coloured
            += std::max({ c.red(), c.green(), c.blue() }) - std::min({ c.red(), c.green(), c.blue() }) > 40;
    }
    return double(coloured) / width;
}

// Whether the colour bars cover the full width of the grabbed window near its top.
bool BarsFill(QWidget& window)
{
    return QTest::qWaitFor(
        [&] {
            const QImage image = window.screen()->grabWindow(window.winId()).toImage();
            return !image.isNull() && image.width() == window.width()
                && ColouredShare(image, image.height() / 10, image.width()) > 0.6;
        },
        10000);
}

// The bars' direction in a grab of the window near its top.
int WindowBarDirection(QWidget& window)
{
    QCoreApplication::processEvents();
    const QImage image = window.screen()->grabWindow(window.winId()).toImage();
    if (image.isNull())
        return 0;
    return test_support::BarDirectionOnRow(image, 0, image.width(), image.height() / 10);
}

// The bars' direction in the frame block near the picture's top (the block
// holds bottom-up BGR rows).
int BlockBarDirection(const FrameMaps& maps)
{
    const int width = maps.Width();
    const int row = maps.Height() - 1 - maps.Height() / 10;
    const unsigned char* line = maps.pixels() + std::size_t(row) * width * 3;
    return test_support::BarDirection(
        [&](int x) { return QColor(line[3 * x + 2], line[3 * x + 1], line[3 * x]); }, width);
}

// The window shows the bars mirrored (`mirrored`) or as the camera sends
// them, while the frame block always keeps the camera's order.
bool ShowsBars(QWidget& window, const FrameMaps& maps, bool mirrored)
{
    return QTest::qWaitFor(
        [&] {
            const int shown = WindowBarDirection(window);
            return (mirrored ? shown <= -3 : shown >= 3) && BlockBarDirection(maps) >= 3;
        },
        10000);
}

// Remembers the library's notices posted to the application object.
class NoticeLog : public QObject {
public:
    std::vector<VidcoreNotice> notices;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == VidcoreNoticeEvent::EventType)
            notices.push_back(static_cast<VidcoreNoticeEvent*>(event)->notice());
        return QObject::eventFilter(watched, event);
    }
};

// The picture changes from one grab of the window to the next.
bool PictureMoves(QWidget& window)
{
    QCoreApplication::processEvents();
    const QImage first = window.screen()->grabWindow(window.winId()).toImage();
    return QTest::qWaitFor(
        [&] { return window.screen()->grabWindow(window.winId()).toImage() != first; }, 5000);
}

// A native window for the library to draw into, shown and exposed.
bool ShowView(QWidget& view)
{
    view.setAttribute(Qt::WA_NativeWindow);
    view.setAttribute(Qt::WA_NoSystemBackground);
    view.resize(320, 240);
    view.show();
    return QTest::qWaitFor([&] { return view.windowHandle() && view.windowHandle()->isExposed(); }, 5000);
}

// The library's full-screen window once it covers the whole 1024 x 768
// screen; null when it does not.
QWidget* FullScreenWindow()
{
    QWidget* screen = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == "VidcoreFullScreen")
            screen = widget;
    const bool covers
        = screen && QTest::qWaitFor([&] { return screen->width() == 1024 && screen->height() == 768; }, 5000);
    return covers ? screen : nullptr;
}

int argc = 1;
char name[] = "vidcore_x11_preview_test";
char* argv[] = { name, nullptr };

bool UseDisplay(const XvfbServer& server)
{
    ::setenv("DISPLAY", server.display().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    return !server.display().empty();
}

// An application on a 1024 x 768 X server of the test's own, with a view for
// the capture to draw into.
struct DisplayedPreview {
    explicit DisplayedPreview(bool withOpenGL)
        : server(1024, 768, withOpenGL)
        , started(UseDisplay(server))
        , app(argc, argv)
    {
        ChooseSyntheticDevices();
    }
    // The capture opened into the shown view, its first frames grabbed.
    bool Open()
    {
        return ShowView(view) && AM_OpenCaptureWindow(0, uintptr_t(view.winId()), 0)
            && maps.WaitForSize(640, 480);
    }
    XvfbServer server;
    const bool started;
    QApplication app;
    FrameMaps maps;
    QWidget view;
};

} // namespace

TEST(VidcoreX11Preview, PictureFillsTheWindowAndFollowsItsSize)
{
    DisplayedPreview preview(true);
    ASSERT_TRUE(preview.started) << "Xvfb did not start";
    ASSERT_TRUE(preview.Open());
    QWidget& view = preview.view;
    EXPECT_TRUE(BarsFill(view));

    view.resize(600, 300);
    EXPECT_TRUE(BarsFill(view));

    // Full screen: the picture moves to a screen-sized window and back.
    AM_FullScreenMode(1, uintptr_t(view.winId()));
    QWidget* screen = FullScreenWindow();
    ASSERT_NE(screen, nullptr) << "no full-screen window covering the screen";
    EXPECT_TRUE(BarsFill(*screen));
    AM_FullScreenMode(0, 0);
    EXPECT_TRUE(BarsFill(view));

    AM_VidCapCloseWindow(0);
    AM_VidCapDestroyWindow(0);
}

// Without GLX glimagesink cannot make its context: the picture is drawn by
// ximagesink instead, at the view's size, in full screen and after a size
// change, and the camera is never blamed.
TEST(VidcoreX11Preview, DisplayWithoutOpenGLShowsThePictureAllTheSame)
{
    DisplayedPreview preview(false);
    ASSERT_TRUE(preview.started) << "Xvfb did not start";
    NoticeLog log;
    preview.app.installEventFilter(&log);
    ASSERT_TRUE(preview.Open());
    QWidget& view = preview.view;
    EXPECT_TRUE(BarsFill(view));
    EXPECT_TRUE(PictureMoves(view));

    // The view grows with the size, as the program does it: first the view,
    // and the size only once the display has resized it (a grab reads the
    // window's size from the X server).
    view.resize(800, 600);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return view.screen()->grabWindow(view.winId()).size() == QSize(800, 600); }, 5000));
    AM_SetVideoFormat(800, 600);
    EXPECT_TRUE(preview.maps.WaitForSize(800, 600));
    EXPECT_TRUE(BarsFill(view));

    AM_FullScreenMode(1, uintptr_t(view.winId()));
    QWidget* screen = FullScreenWindow();
    ASSERT_NE(screen, nullptr) << "no full-screen window covering the screen";
    EXPECT_TRUE(BarsFill(*screen));
    EXPECT_TRUE(PictureMoves(*screen));
    AM_FullScreenMode(0, 0);
    EXPECT_TRUE(BarsFill(view));

    AM_VidCapCloseWindow(0);
    AM_VidCapDestroyWindow(0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(log.notices.empty()) << "notice " << (log.notices.empty() ? 0 : int(log.notices.front()));
}

// The mirror turns the picture in the window and in full screen, and only
// there: the frame block keeps the camera's left and right. It can be turned
// on and off while the camera runs.
TEST(VidcoreX11Preview, MirrorTurnsTheWindowsPictureOnly)
{
    DisplayedPreview preview(true);
    ASSERT_TRUE(preview.started) << "Xvfb did not start";
    ASSERT_TRUE(preview.Open());
    QWidget& view = preview.view;
    EXPECT_TRUE(ShowsBars(view, preview.maps, false));

    AM_SetPreviewMirror(1);
    EXPECT_TRUE(ShowsBars(view, preview.maps, true)) << "the window's picture is not mirrored";

    AM_FullScreenMode(1, uintptr_t(view.winId()));
    QWidget* screen = FullScreenWindow();
    ASSERT_NE(screen, nullptr) << "no full-screen window covering the screen";
    EXPECT_TRUE(ShowsBars(*screen, preview.maps, true)) << "the full-screen picture is not mirrored";
    AM_FullScreenMode(0, 0);

    AM_SetPreviewMirror(0);
    EXPECT_TRUE(ShowsBars(view, preview.maps, false)) << "the mirror stays after it was turned off";

    AM_VidCapCloseWindow(0);
    AM_VidCapDestroyWindow(0);
}

// Without OpenGL the picture is mirrored before ximagesink; a mirror set
// before the camera opens holds from its first picture on, and a change of
// size keeps it.
TEST(VidcoreX11Preview, MirrorWithoutOpenGLAndAcrossAReopening)
{
    DisplayedPreview preview(false);
    ASSERT_TRUE(preview.started) << "Xvfb did not start";
    AM_SetPreviewMirror(1);
    ASSERT_TRUE(preview.Open());
    QWidget& view = preview.view;
    EXPECT_TRUE(ShowsBars(view, preview.maps, true)) << "the window's picture is not mirrored";

    AM_SetVideoFormat(320, 240);
    EXPECT_TRUE(preview.maps.WaitForSize(320, 240));
    EXPECT_TRUE(ShowsBars(view, preview.maps, true)) << "the mirror was lost at the new size";

    AM_SetPreviewMirror(0);
    EXPECT_TRUE(ShowsBars(view, preview.maps, false)) << "the mirror stays after it was turned off";

    AM_VidCapCloseWindow(0);
    AM_VidCapDestroyWindow(0);
}
