// SPDX-License-Identifier: GPL-2.0-or-later
// The real program on a Wayland desktop, as GNOME, KDE Plasma and sway give
// it: a Wayland compositor with XWayland, and both WAYLAND_DISPLAY and
// DISPLAY set. Weston's headless back end stands for the desktop.
#include "CoreApplication.h"
#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const QString Program = QStringLiteral(GLIMVIEW_RUN_DIR "/glimview");

// Weston with XWayland on a socket of its own. XWayland's display is read
// from weston's log; XWayland itself starts with the first X client.
class TWestonSession {
public:
    explicit TWestonSession(const QString& runtime)
        : FLog(runtime + QStringLiteral("/weston.log"))
        , WaylandSocket(QStringLiteral("glimview-test-%1").arg(QCoreApplication::applicationPid()))
    {
        // Xvfb makes the X sockets' folder for itself; XWayland needs it made.
        ::mkdir("/tmp/.X11-unix", 01777);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        FWeston.setProcessEnvironment(env);
        FWeston.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        FWeston.start(QStringLiteral("weston"),
            { QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--xwayland"),
                QStringLiteral("--use-pixman"), QStringLiteral("--width=1280"),
                QStringLiteral("--height=800"), QStringLiteral("--socket=") + WaylandSocket,
                QStringLiteral("--log=") + FLog });
        if (!FWeston.waitForStarted(10000))
            return;
        const QRegularExpression listening(QStringLiteral("xserver listening on display (:\\d+)"));
        [[maybe_unused]] const bool reported = QTest::qWaitFor(
            [&] {
                QFile log(FLog);
                if (log.open(QIODevice::ReadOnly))
                    XDisplay = listening.match(QString::fromUtf8(log.readAll())).captured(1);
                return !XDisplay.isEmpty() || FWeston.state() == QProcess::NotRunning;
            },
            20000);
    }
    ~TWestonSession()
    {
        FWeston.terminate();
        if (!FWeston.waitForFinished(5000))
            FWeston.kill();
        FWeston.waitForFinished(5000);
    }
    QString Log() const
    {
        QFile log(FLog);
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }

private:
    QString FLog;
    QProcess FWeston;

public:
    const QString WaylandSocket;
    QString XDisplay;
};

class WaylandSessionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test_support::EnsureApplication(); }

    void SetUp() override
    {
        ASSERT_TRUE(Folder.isValid());
        Env = QProcessEnvironment::systemEnvironment();
        Env.insert(QStringLiteral("XDG_RUNTIME_DIR"), Folder.Runtime());
        Env.insert(QStringLiteral("XDG_CONFIG_HOME"), Folder.filePath(QStringLiteral("config")));
        Env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
        Env.insert(QStringLiteral("VIDCORE_TEST_DEVICES"), QStringLiteral("1"));
        Env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        Env.remove(QStringLiteral("DISPLAY"));
        // The library's account of its preview sink.
        Env.insert(QStringLiteral("GST_DEBUG"), QStringLiteral("vidcore:4"));
        Env.insert(QStringLiteral("GST_DEBUG_NO_COLOR"), QStringLiteral("1"));
    }

    // A run folder of the test's own, with the languages and a Temp folder.
    QString MakeRunFolder()
    {
        const QString run = Folder.filePath(QStringLiteral("run"));
        QDir().mkpath(run + QStringLiteral("/Temp"));
        QFile::link(QStringLiteral(GLIMVIEW_RUN_DIR "/Languages"), run + QStringLiteral("/Languages"));
        return run;
    }

    test_support::TempHome Folder;
    QProcessEnvironment Env;
};

// Runs an X client tool on `display`; its standard output.
QByteArray RunOn(const QString& display, const QString& tool, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    process.setProcessEnvironment(env);
    process.start(tool, arguments);
    process.waitForFinished(10000);
    return process.readAllStandardOutput();
}

// The X window named exactly `title`; empty when there is none. Weston's
// window manager puts each top-level window into a frame of its own.
QString WindowNamed(const QString& display, const QString& title)
{
    const QString tree = QString::fromUtf8(
        RunOn(display, QStringLiteral("xwininfo"), { QStringLiteral("-root"), QStringLiteral("-tree") }));
    for (const QString& line : tree.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QStringLiteral("0x")) && trimmed.contains(u'"' + title + u'"'))
            return trimmed.section(u' ', 0, 0);
    }
    return {};
}

// What the window shows: a rootless X server has no root picture to take.
QImage WindowGrab(const QString& display, const QString& window)
{
    return QImage::fromData(RunOn(display, QStringLiteral("import"),
                                { QStringLiteral("-window"), window, QStringLiteral("png:-") }),
        "PNG");
}

TEST_F(WaylandSessionTest, RunsOnXWaylandWithOpenGLWhateverTheSessionAsksOfQt)
{
    TWestonSession session(Folder.Runtime());
    ASSERT_FALSE(session.XDisplay.isEmpty()) << "weston did not start: " << session.Log().toStdString();
    // As the session gives it, and as many guides tell users to set it.
    for (const QString& asked : { QString(), QStringLiteral("wayland") }) {
        SCOPED_TRACE(asked.isEmpty() ? "QT_QPA_PLATFORM unset" : "QT_QPA_PLATFORM=wayland");
        const QString run = MakeRunFolder();
        QFile::remove(run + QStringLiteral("/Temp/sample"));
        QProcessEnvironment env = Env;
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), session.WaylandSocket);
        env.insert(QStringLiteral("DISPLAY"), session.XDisplay);
        if (!asked.isEmpty())
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), asked);
        QProcess program;
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(run);
        program.start(Program, {});
        ASSERT_TRUE(program.waitForStarted());

        // The warm-up recording is written once the camera is open.
        const QString sample = run + QStringLiteral("/Temp/sample");
        EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo(sample).size() > 0; }, 40000));
        // The live view shows a moving picture: two grabs a second apart differ.
        QString view;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !(view = WindowNamed(session.XDisplay, QStringLiteral("CamView"))).isEmpty(); },
            20000))
            << program.readAllStandardError().toStdString();
        QImage first;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                first = WindowGrab(session.XDisplay, view);
                return !first.isNull();
            },
            10000));
        // The picture moves at its own pace: a later grab shows another one.
        QImage second;
        static_cast<void>(QTest::qWaitFor(
            [&] { return (second = WindowGrab(session.XDisplay, view)) != first && !second.isNull(); },
            10000));
        EXPECT_FALSE(second.isNull());
        EXPECT_NE(first, second);
        ASSERT_EQ(program.state(), QProcess::Running);

        program.terminate();
        ASSERT_TRUE(program.waitForFinished(20000));
        const QString log = QString::fromUtf8(program.readAllStandardError());
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0) << log.right(20000).toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("the preview draws with glimagesink"))) << log.toStdString();
        EXPECT_FALSE(log.contains(QStringLiteral("glimagesink cannot show the picture")))
            << log.toStdString();
    }
}

TEST_F(WaylandSessionTest, WithoutXWaylandOneLineSaysWhatToInstall)
{
    TWestonSession session(Folder.Runtime());
    QProcessEnvironment env = Env;
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), session.WaylandSocket);
    for (const QString& language : { QStringLiteral("en_US.UTF-8"), QStringLiteral("de_DE.UTF-8") }) {
        env.insert(QStringLiteral("LC_ALL"), language);
        QProcess program;
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(MakeRunFolder());
        program.start(Program, {});
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 1);
        const QString said = QString::fromUtf8(program.readAllStandardError());
        EXPECT_EQ(said.count(u'\n'), 1) << said.toStdString();
        EXPECT_TRUE(said.contains(QStringLiteral("sudo apt install xwayland"))) << said.toStdString();
        EXPECT_TRUE(said.contains(language.startsWith(u'd') ? QStringLiteral("Installieren Sie")
                                                            : QStringLiteral("install the package")))
            << said.toStdString();
    }
}

} // namespace
