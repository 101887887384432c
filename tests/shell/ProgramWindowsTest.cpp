// SPDX-License-Identifier: GPL-2.0-or-later
// The real program's windows on an X server of the test's own: the live
// picture with and without OpenGL, the mirror, the self-timer and the
// shutter's flash, the captions and skins at higher densities, the places
// of the windows, and texts and messages that must change nothing.
#include "LiveViewPicture.h"
#include "ProgramFixture.h"
#include "ResidentMemory.h"

#include <QElapsedTimer>

#include <xcb/xcb.h>

#include <algorithm>
#include <memory>

namespace {

// A language file that holds HTML: the status line shows it as typed. Taken
// as rich text, the picture it names would be read without end.
TEST_F(ProgramTest, HtmlInALanguageTextIsShownAsTyped)
{
    const QString run = Folder.filePath(QStringLiteral("run"));
    ASSERT_TRUE(QDir().mkpath(run + QStringLiteral("/Languages")));
    ASSERT_TRUE(QDir().mkpath(run + QStringLiteral("/Temp")));
    QFile english(QStringLiteral(GLIMVIEW_RUN_DIR "/Languages/English.ini"));
    ASSERT_TRUE(english.open(QIODevice::ReadOnly));
    QByteArray texts = english.readAll();
    const QByteArray hostile = R"(<img src="/dev/zero" width="30000" height="30000">)";
    texts.replace("CameraLoading=", "CameraLoading=" + hostile);
    texts.replace("CemaraLoaded=", "CemaraLoaded=" + hostile);
    QFile copy(run + QStringLiteral("/Languages/English.ini"));
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    copy.write(texts);
    copy.close();

    // The warm-up recording of an earlier start left its file: it is replaced,
    // though a recording never writes over a file.
    const QString sample = run + QStringLiteral("/Temp/sample");
    const QByteArray earlier = "the sample of an earlier start";
    QFile left(sample);
    ASSERT_TRUE(left.open(QIODevice::WriteOnly));
    left.write(earlier);
    left.close();

    QProcess* program = Start(Offscreen(true), run);
    // The camera is open and the warm-up recording written: both texts were shown.
    const auto written = [&] {
        QFile file(sample);
        return file.size() > 0 && file.open(QIODevice::ReadOnly) && file.read(earlier.size()) != earlier;
    };
    ASSERT_TRUE(QTest::qWaitFor(written, 40000)) << program->readAllStandardError().toStdString();
    // The status line's text is set on the tick after the camera opened;
    // read without end, the picture would soon take all memory.
    long most = 0;
    static_cast<void>(QTest::qWaitFor(
        [&] {
            most = std::max(most, test_support::ResidentKilobytes(program->processId()));
            return most >= 400 * 1024 || program->state() != QProcess::Running;
        },
        2000));
    EXPECT_LT(most, 400 * 1024);
    ASSERT_EQ(program->state(), QProcess::Running);
    ASSERT_TRUE(EndBySignal(*program));
    EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program->exitCode(), 0);
}

TEST_F(ProgramTest, ConversionReportsNobodyAskedForOpenNothing)
{
    TXvfb x;
    ASSERT_FALSE(x.Display.isEmpty());
    const QString run = MakeRunFolder(true);
    QProcess* program = Start(x.For(Env), run);
    ASSERT_TRUE(QTest::qWaitFor([] { return MessagePortExists(ProductTitle); }, 20000));
    for (const auto& [kind, value] : { std::pair { 1, 0 }, std::pair { 3, 100 }, std::pair { 2, 0 } })
        ASSERT_TRUE(PostPortMessage(ProductTitle, 33667, kind, value));
    QTest::qWait(1500); // nothing is to happen; give it the time to
    const QByteArray composer
        = x.Run(QStringLiteral("xwininfo"), { QStringLiteral("-name"), QStringLiteral("Send E-mail") });
    EXPECT_FALSE(composer.contains("IsViewable")) << composer.toStdString();
    EXPECT_EQ(program->state(), QProcess::Running);
}

// With OpenGL and without it (remote X, VNC, a virtual machine without a
// 3D driver): the picture shows and moves, nothing is blamed on the camera,
// and a snapshot reaches the photo gallery.
TEST_F(ProgramTest, LiveViewShowsTheCameraPictureOnARealDisplay)
{
    for (const bool withOpenGL : { true, false }) {
        SCOPED_TRACE(withOpenGL ? "with GLX" : "without GLX");
        TXvfb x(1280, 800, withOpenGL);
        ASSERT_FALSE(x.Display.isEmpty());
        QProcess* program = Start(x.For(Env), MakeRunFolder(true));
        ASSERT_TRUE(program->waitForStarted());

        const QRect panel = test_support::LiveViewPanel;
        QImage shot;
        const bool seen = test_support::WaitForLiveViewPicture(x.Display, 40000, &shot);
        if (!seen && !shot.isNull())
            shot.save(Folder.filePath(QStringLiteral("last-shot.png")));
        ASSERT_TRUE(seen) << "no camera picture in the live view; program output: "
                          << program->readAllStandardError().toStdString();
        // The main window's skin stands at (50,50): not the desktop's black.
        EXPECT_NE(shot.pixel(50 + 177, 50 + 100), qRgb(0, 0, 0));
        // The picture moves: the test card's noise changes from frame to frame.
        const QImage first = shot.copy(panel);
        EXPECT_TRUE(QTest::qWaitFor([&] { return x.Shot().copy(panel) != first; }, 10000));

        // No box: the only window with the product's title is the panel.
        const QString tree = QString::fromUtf8(
            x.Run(QStringLiteral("xwininfo"), { QStringLiteral("-root"), QStringLiteral("-children") }));
        EXPECT_EQ(tree.count(QLatin1Char('"') + ProductTitle + QLatin1Char('"')), 1) << tree.toStdString();

        EXPECT_TRUE(TakeSnapshotWithSpace(x)) << program->readAllStandardError().toStdString();

        program->kill();
        program->waitForFinished(5000);
    }
}

// An area of the screen of `display`, read straight from the X server in a
// few milliseconds (a screenshot tool takes about a tenth of a second); a
// null image when it cannot be had. Assumes the 24-bit TrueColor screen Xvfb
// gives.
class TScreenGrabber {
public:
    explicit TScreenGrabber(const QString& display)
        : FConnection(xcb_connect(display.toLocal8Bit().constData(), nullptr))
    {
    }
    ~TScreenGrabber() { xcb_disconnect(FConnection); }
    TScreenGrabber(const TScreenGrabber&) = delete;
    TScreenGrabber& operator=(const TScreenGrabber&) = delete;

    QImage Grab(const QRect& area) const
    {
        if (xcb_connection_has_error(FConnection))
            return {};
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(FConnection)).data->root;
        const xcb_get_image_cookie_t cookie = xcb_get_image(FConnection, XCB_IMAGE_FORMAT_Z_PIXMAP, root,
            int16_t(area.x()), int16_t(area.y()), uint16_t(area.width()), uint16_t(area.height()), ~0u);
        std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
            xcb_get_image_reply(FConnection, cookie, nullptr), &std::free);
        if (!reply || reply->depth != 24
            || xcb_get_image_data_length(reply.get()) < area.width() * area.height() * 4)
            return {};
        return QImage(xcb_get_image_data(reply.get()), area.width(), area.height(), area.width() * 4,
            QImage::Format_RGB32)
            .copy();
    }

private:
    xcb_connection_t* FConnection;
};

// The share of dark grey pixels in a picture, sampled every 4 pixels: the
// countdown's square, which the colour bars never are.
double DarkGreyShare(const QImage& picture)
{
    int grey = 0;
    int all = 0;
    for (int y = 0; y < picture.height(); y += 4)
        for (int x = 0; x < picture.width(); x += 4, ++all) {
            const QColor c = QColor::fromRgb(picture.pixel(x, y));
            grey += c.hsvSaturation() < 30 && c.lightness() > 30 && c.lightness() < 100;
        }
    return all ? double(grey) / all : 0;
}

// The share of nearly white pixels in a picture, sampled every 8 pixels.
double WhiteShare(const QImage& picture)
{
    int white = 0;
    int all = 0;
    for (int y = 0; y < picture.height(); y += 8)
        for (int x = 0; x < picture.width(); x += 8, ++all)
            white += QColor::fromRgb(picture.pixel(x, y)).lightness() > 235;
    return all ? double(white) / all : 0;
}

// The key M mirrors the live view, and only the live view: the snapshot
// taken meanwhile, with the shutter's flash, keeps the camera's left and right. The choice is kept for
// the next start, which shows the picture mirrored from the first.
TEST_F(ProgramTest, MirrorTurnsTheLiveViewOnlyAndIsKeptForTheNextStart)
{
    TXvfb x(1280, 800, true);
    ASSERT_FALSE(x.Display.isEmpty());
    const QString run = MakeRunFolder(true);
    const QRect panel = test_support::LiveViewPanel;
    const auto liveViewDirection = [&] {
        return test_support::BarDirectionOnRow(x.Shot(), panel.left(), panel.right(), panel.top() + 150);
    };
    QProcess* program = Start(x.For(Env), run);
    ASSERT_TRUE(test_support::WaitForLiveViewPicture(x.Display, 40000))
        << program->readAllStandardError().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return liveViewDirection() >= 3; }, 10000)) << "not the camera's order";

    const QString panelWindow = QString::number(x.WindowNamed(ProductTitle));
    PressKeys(x, panelWindow, { QStringLiteral("m") });
    EXPECT_TRUE(QTest::qWaitFor([&] { return liveViewDirection() <= -3; }, 10000)) << "not mirrored";

    const QString snapshot = run + QStringLiteral("/Temp/scb.bmp");
    PressKeys(x, panelWindow, { QStringLiteral("space") });
    // The shutter: for a moment the live view is white. Grabs follow each
    // other far faster than the flash ends, so one of them shows it.
    const TScreenGrabber grabber(x.Display);
    ASSERT_FALSE(grabber.Grab(panel).isNull());
    bool flashed = false;
    QElapsedTimer clock;
    clock.start();
    while (!flashed && clock.elapsed() < 10000)
        flashed = WhiteShare(grabber.Grab(panel)) > 0.9;
    EXPECT_TRUE(flashed) << "no flash seen";
    // And it is over in a moment.
    EXPECT_TRUE(QTest::qWaitFor([&] { return WhiteShare(grabber.Grab(panel)) < 0.5; }, 2000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QImage(snapshot).width() == 640; }, 20000))
        << program->readAllStandardError().toStdString();
    const QImage photo(snapshot);
    EXPECT_GE(test_support::BarDirectionOnRow(photo, 0, photo.width(), photo.height() / 10), 3)
        << "the snapshot is mirrored";
    EXPECT_TRUE(QTest::qWaitFor([&] { return liveViewDirection() <= -3; }, 10000));

    ASSERT_TRUE(EndBySignal(*program, SIGTERM, 20000));
    QFile settings(Folder.filePath(QStringLiteral("config/Tessaly/settings.reg")));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_TRUE(settings.readAll().contains("\"MirrorPicture\"=\"1\""));

    program = Start(x.For(Env), run);
    ASSERT_TRUE(test_support::WaitForLiveViewPicture(x.Display, 40000))
        << program->readAllStandardError().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return liveViewDirection() <= -3; }, 10000))
        << "not mirrored after a restart";
    // The signal saved the unsaved photo; the start says where, and the
    // user closes that box.
    ASSERT_TRUE(QTest::qWaitFor([&] { return ViewableWindowsNamed(x, ProductTitle) == 2; }, 20000));
    for (const quint32 window : x.WindowsNamed(ProductTitle)) {
        if (!x.Viewable(window) || x.Geometry(window).topLeft() == QPoint(50, 50))
            continue; // the panel
        PressKeys(x, QString::number(window), { QStringLiteral("Return") });
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return ViewableWindowsNamed(x, ProductTitle) == 1; }, 10000));

    // A self-timer of 3 s (T), started in the window and followed into full
    // screen: the picture is mirrored there too, the digits stand at the
    // screen's centre, and the flash covers the whole screen.
    const QRect screen(0, 0, 1280, 800);
    const QRect centre(screen.center() - QPoint(20, 20), QSize(40, 40));
    const TScreenGrabber fullGrabber(x.Display);
    PressKeys(x, QString::number(x.WindowNamed(ProductTitle)),
        { QStringLiteral("t"), QStringLiteral("space"), QStringLiteral("F11") });
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return test_support::BarDirectionOnRow(x.Shot(), 0, screen.width(), screen.height() / 10) <= -3;
        },
        10000))
        << "the full-screen picture is not mirrored";
    EXPECT_TRUE(QTest::qWaitFor([&] { return DarkGreyShare(fullGrabber.Grab(centre)) > 0.3; }, 3000))
        << "no countdown at the screen's centre";
    bool flashedFull = false;
    QElapsedTimer fullClock;
    fullClock.start();
    while (!flashedFull && fullClock.elapsed() < 5000)
        flashedFull = WhiteShare(fullGrabber.Grab(screen.adjusted(200, 200, -200, -200))) > 0.9;
    EXPECT_TRUE(flashedFull) << "no flash seen in full screen";
}

int FuchsiaPixels(const QImage& shot)
{
    int count = 0;
    const QImage rgb = shot.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            count += (row[x] & 0xFFFFFF) == 0xFF00FF;
    }
    return count;
}

TEST_F(ProgramTest, OneTaskbarEntryExactCaptionsAndCrispSkinsAtTwiceTheDensity)
{
    TXvfb x(2600, 1400);
    ASSERT_FALSE(x.Display.isEmpty());
    QProcessEnvironment env = x.For(Env);
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    QProcess* program = Start(env);
    ASSERT_TRUE(program->waitForStarted());
    quint32 main = 0;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (main = x.WindowNamed(ProductTitle)) != 0; }, 20000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return x.WindowNamed(QStringLiteral("CamView")) != 0; }, 20000));

    // Captions exactly as designed, nothing appended; only the main window
    // asks for a taskbar entry.
    // The caption is set once the language is read, a moment after the window
    // first appears.
    QString wmName;
    const bool titled = QTest::qWaitFor(
        [&] {
            wmName = x.Property(main, QStringLiteral("WM_NAME"));
            return wmName.contains(ProductTitle);
        },
        10000);
    EXPECT_TRUE(titled);
    EXPECT_TRUE(wmName.startsWith(QStringLiteral("WM_NAME("))
        && wmName.endsWith(QStringLiteral(") = \"") + ProductTitle + "\""))
        << wmName.toStdString();
    EXPECT_FALSE(x.Property(main, QStringLiteral("_NET_WM_STATE")).contains(QStringLiteral("SKIP_TASKBAR")));
    EXPECT_TRUE(x.Property(main, QStringLiteral("_NET_WM_WINDOW_TYPE"))
                    .contains(QStringLiteral("_NET_WM_WINDOW_TYPE_NORMAL")));
    for (const QString& title :
        { QStringLiteral("CamView"), QStringLiteral("Photos"), QStringLiteral("Videos") }) {
        const quint32 window = x.WindowNamed(title);
        ASSERT_NE(window, 0u) << title.toStdString();
        EXPECT_EQ(x.Property(window, QStringLiteral("_NET_WM_NAME")),
            QStringLiteral("_NET_WM_NAME(UTF8_STRING) = \"") + title + "\"");
        const QString state = x.Property(window, QStringLiteral("_NET_WM_STATE"));
        EXPECT_TRUE(state.contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR"))) << state.toStdString();
        EXPECT_TRUE(state.contains(QStringLiteral("_NET_WM_STATE_SKIP_PAGER"))) << state.toStdString();
    }

    // The main window keeps its designed size in window pixels: twice as
    // many device pixels, drawn from the double-density skin.
    const QRect frame = x.Geometry(main);
    EXPECT_EQ(frame.size(), QSize(708, 248));
    const QImage art = QImage(QStringLiteral(GLIMVIEW_SOURCE_DIR "/skins/main_back@2x.png"))
                           .convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(art.size(), QSize(708, 248));
    // Below the status well and left of the keys the panel is bare skin; the
    // window may be mapped a moment before it is painted.
    QImage shot;
    int same = 0;
    int total = 0;
    static_cast<void>(QTest::qWaitFor(
        [&] {
            shot = x.Shot().convertToFormat(QImage::Format_RGB32);
            same = 0;
            total = 0;
            if (shot.isNull())
                return false;
            for (int y = 200; y < 240; ++y)
                for (int x0 = 40; x0 < 660; ++x0) {
                    if ((art.pixel(x0, y) & 0xFFFFFF) == 0xFF00FF)
                        continue;
                    ++total;
                    same += shot.pixel(frame.x() + x0, frame.y() + y) == art.pixel(x0, y);
                }
            return same > total * 95 / 100;
        },
        10000));
    EXPECT_GT(same, total * 95 / 100) << "the skin is not drawn pixel for pixel from its double-density art";
    const int fuchsia = FuchsiaPixels(shot);
    if (fuchsia)
        shot.save(Folder.filePath(QStringLiteral("fuchsia-2x.png")));
    EXPECT_EQ(fuchsia, 0);
}

TEST_F(ProgramTest, NoFuchsiaAtOneAndAHalfTimesTheDensity)
{
    TXvfb x(2000, 1200);
    ASSERT_FALSE(x.Display.isEmpty());
    QProcessEnvironment env = x.For(Env);
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("1.5"));
    QProcess* program = Start(env);
    ASSERT_TRUE(program->waitForStarted());
    quint32 main = 0;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (main = x.WindowNamed(ProductTitle)) != 0; }, 20000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return x.WindowNamed(QStringLiteral("Videos")) != 0; }, 20000));
    EXPECT_EQ(x.Geometry(main).size(), QSize(531, 186));
    QImage shot;
    // Shots until the windows have painted (the main window is not black).
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            shot = x.Shot();
            const QRect frame = x.Geometry(main);
            return !shot.isNull() && shot.pixel(frame.center()) != qRgb(0, 0, 0);
        },
        10000));
    const int fuchsia = FuchsiaPixels(shot);
    if (fuchsia)
        shot.save(Folder.filePath(QStringLiteral("fuchsia-1.5x.png")));
    EXPECT_EQ(fuchsia, 0);
}

// Positions stored far off every screen (X wraps -100000 to 31072) bring
// the windows back to their default places; one half on the screen stays.
TEST_F(ProgramTest, WindowsStoredOffScreenComeBackToTheirDefaultPlaces)
{
    const QString settingsFolder = Folder.filePath(QStringLiteral("config/Tessaly"));
    ASSERT_TRUE(QDir().mkpath(settingsFolder));
    QFile settings(settingsFolder + QStringLiteral("/settings.reg"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("REGEDIT4\n\n"
                   "[HKEY_CURRENT_USER\\Software\\Tessaly\\MainController]\n"
                   "\"Left\"=dword:fffe7960\n\"Top\"=dword:00002000\n\n"
                   "[HKEY_CURRENT_USER\\Software\\Tessaly\\ImageGallery]\n"
                   "\"Left\"=dword:00000438\n\"Top\"=dword:00000258\n\"Visible\"=dword:00000001\n\n");
    settings.close();
    TXvfb x;
    ASSERT_FALSE(x.Display.isEmpty());
    QProcess* program = Start(x.For(Env), MakeRunFolder(true));
    quint32 panel = 0;
    ASSERT_TRUE(QTest::qWaitFor([&] { return x.Viewable(panel = x.WindowNamed(ProductTitle)); }, 20000))
        << program->readAllStandardError().toStdString();
    EXPECT_EQ(x.Geometry(panel).topLeft(), QPoint(50, 50));
    // The photo gallery at 1080,600 of a 1280x800 screen lies more than half on it: kept.
    ASSERT_TRUE(EndBySignal(*program));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QByteArray written = settings.readAll();
    EXPECT_TRUE(
        written.contains("[HKEY_CURRENT_USER\\Software\\Tessaly\\MainController]\n\"Left\"=dword:00000032\n"
                         "\"Top\"=dword:00000032"))
        << written.toStdString();
    EXPECT_TRUE(
        written.contains("[HKEY_CURRENT_USER\\Software\\Tessaly\\ImageGallery]\n\"Left\"=dword:00000438\n"))
        << written.toStdString();
}

} // namespace
