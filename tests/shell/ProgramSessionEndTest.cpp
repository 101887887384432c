// SPDX-License-Identifier: GPL-2.0-or-later
// The real program's end: a signal, logind's shutdown and sleep notices,
// during a recording and while a box waits for its answer; the sleep and
// shutdown inhibitors a recording and an unsaved clip hold.
#include "LiveViewPicture.h"
#include "ProgramFixture.h"
#include "SanitizedBuild.h"
#include "SmallTmpfs.h"

#include <QElapsedTimer>

#include <cstring>
#include <functional>
#include <iostream>
#include <memory>

namespace {

// A logout or a shutdown with a photo and a running recording: nothing is
// asked and nothing is lost. Both go into the pictures and videos folders.
TEST_F(ProgramTest, ASignalDuringARecordingEndsTheProgramAsItsCloseButtonDoes)
{
    TXvfb x;
    ASSERT_FALSE(x.Display.isEmpty());
    const QString run = MakeRunFolder(true);
    const QString temp = run + QStringLiteral("/Temp");
    QProcessEnvironment env = WithRecordingTrace(x.For(Env));
    env.insert(QStringLiteral("HOME"), Folder.path());
    QProcess* program = Start(env, run);
    ASSERT_TRUE(program->waitForStarted());
    ASSERT_TRUE(TakeSnapshotWithSpace(x)) << program->readAllStandardError().toStdString();
    const QString kept = RecordUntilAClipGrows(x, temp, Folder.filePath(QStringLiteral("kept")));
    ASSERT_FALSE(kept.isEmpty()) << program->readAllStandardError().toStdString();

    QElapsedTimer ending;
    ending.start();
    ASSERT_TRUE(EndBySignal(*program));
    // The recording is finished, both saved and the preview stopped while the windows still exist.
    EXPECT_LT(ending.elapsed(), glimview_test::Allowance(2000, 8000));
    ExpectClosedAsByItsCloseButton(*program, temp, kept);
    const QFileInfoList photos = QDir(Folder.filePath(QStringLiteral("Pictures")))
                                     .entryInfoList({ QStringLiteral("Glimview *.jpg") }, QDir::Files);
    ASSERT_EQ(photos.size(), 1);
    EXPECT_FALSE(QImage(photos.first().filePath()).isNull());
    const QFileInfoList clips = QDir(Folder.filePath(QStringLiteral("Videos")))
                                    .entryInfoList({ QStringLiteral("Glimview *.wmv") }, QDir::Files);
    ASSERT_EQ(clips.size(), 1);
    EXPECT_GT(ProbedDuration(clips.first().filePath()), 0.5);
}

TEST_F(ProgramTest, InterruptAndHangUpEndTheProgramCleanlyToo)
{
    for (const int number : { SIGINT, SIGHUP }) {
        SCOPED_TRACE(::strsignal(number));
        const QString settingsFile = Folder.filePath(QStringLiteral("config/Tessaly/settings.reg"));
        QProcess* program = Start(Offscreen(true));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return MessagePortExists(ProductTitle) && FileExists(MapFile("writesync4snapwell_Quillon"));
            },
            20000));
        // Only the close writes the positions now.
        QFile::remove(settingsFile);
        ASSERT_TRUE(EndBySignal(*program, number));
        EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program->exitCode(), 0);
        QFile settings(settingsFile);
        ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
        EXPECT_TRUE(
            settings.readAll().contains("[HKEY_CURRENT_USER\\Software\\Tessaly\\MainController]\n\"Left\"="));
        ExpectNothingLeftInTheRuntimeFolder();
    }
}

// A bus of the test's own that stands for the system bus, with logind on it.
class TPrivateLogind {
public:
    explicit TPrivateLogind(const QString& folder)
        : FAddress(QStringLiteral("unix:path=") + folder + QStringLiteral("/system_bus"))
    {
        FBus.start(QStringLiteral("dbus-daemon"),
            { QStringLiteral("--config-file=/usr/share/dbus-1/session.conf"), QStringLiteral("--nofork"),
                QStringLiteral("--print-address"), QStringLiteral("--address=") + FAddress });
        if (!FBus.waitForStarted() || !QTest::qWaitFor([&] { return FBus.canReadLine(); }, 10000))
            return;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), FAddress);
        FLogind.setProcessEnvironment(env);
        FLogind.start(QStringLiteral(FAKE_LOGIND), {});
        FReady = QTest::qWaitFor([&] { return FLogind.canReadLine(); }, 10000)
            && FLogind.readLine() == "ready\n";
    }
    ~TPrivateLogind()
    {
        FLogind.closeWriteChannel();
        if (!FLogind.waitForFinished(5000))
            FLogind.kill();
        FBus.terminate();
        FBus.waitForFinished(5000);
    }

    bool IsReady() const { return FReady; }
    QProcessEnvironment For(QProcessEnvironment env) const
    {
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), FAddress);
        return env;
    }
    // Emits PrepareForShutdown(true) ("shutdown") or PrepareForSleep(true) ("sleep").
    bool Announce(const QByteArray& what)
    {
        FLogind.write(what + '\n');
        return WaitForLine("sent");
    }
    // Waits for the stand-in to print `line` (an inhibitor taken or
    // released), and takes it from what it printed.
    bool WaitForLine(const QByteArray& line, int timeoutMs = 10000)
    {
        return QTest::qWaitFor([&] { return TakeLine(line); }, timeoutMs);
    }
    // Whether it printed `line` so far, taking it.
    bool TakeLine(const QByteArray& line)
    {
        while (FLogind.canReadLine())
            FLines << FLogind.readLine().chopped(1);
        return FLines.removeOne(line);
    }

private:
    QList<QByteArray> FLines;
    QString FAddress;
    QProcess FBus;
    QProcess FLogind;
    bool FReady = false;
};

TEST_F(ProgramTest, LogindsShutdownNoticeDuringARecordingEndsTheProgramAsItsCloseButtonDoes)
{
    TPrivateLogind logind(Folder.path());
    ASSERT_TRUE(logind.IsReady());
    TXvfb x;
    ASSERT_FALSE(x.Display.isEmpty());
    const QString run = MakeRunFolder(true);
    const QString temp = run + QStringLiteral("/Temp");
    QProcess* program = Start(WithRecordingTrace(x.For(logind.For(Env))), run);
    ASSERT_TRUE(program->waitForStarted());
    const QString kept = RecordUntilAClipGrows(x, temp, Folder.filePath(QStringLiteral("kept")));
    ASSERT_FALSE(kept.isEmpty()) << program->readAllStandardError().toStdString();

    ASSERT_TRUE(logind.Announce("shutdown"));
    ASSERT_TRUE(program->waitForFinished(10000));
    ExpectClosedAsByItsCloseButton(*program, temp, kept);
}

// A recording holds logind's sleep and idle inhibitors, in the program's
// name and with its reason, and the stop releases them; an unsaved clip
// holds the shutdown's delay lock until the shutdown's save is done.
TEST_F(ProgramTest, ARecordingKeepsTheComputerAwakeUntilItStops)
{
    TPrivateLogind logind(Folder.path());
    ASSERT_TRUE(logind.IsReady());
    TXvfb x;
    ASSERT_FALSE(x.Display.isEmpty());
    const QString run = MakeRunFolder(true);
    QProcessEnvironment env = x.For(logind.For(Env));
    env.insert(QStringLiteral("HOME"), Folder.path());
    QProcess* program = Start(env, run);
    ASSERT_TRUE(program->waitForStarted());
    const QString kept
        = RecordUntilAClipGrows(x, run + QStringLiteral("/Temp"), Folder.filePath(QStringLiteral("kept")));
    ASSERT_FALSE(kept.isEmpty()) << program->readAllStandardError().toStdString();
    EXPECT_TRUE(logind.WaitForLine("inhibit sleep:idle|Glimview|Recording video|block"));
    EXPECT_FALSE(logind.TakeLine("released sleep:idle"));

    // The record button again: the recording stops, and so does the inhibitor.
    Click(x, 183, 120);
    EXPECT_TRUE(logind.WaitForLine("released sleep:idle"));
    EXPECT_EQ(program->state(), QProcess::Running);

    // The clip is not saved yet: a shutdown waits for its save (logind's
    // delay lock), which the shutdown notice starts; the end lets go of it.
    EXPECT_TRUE(logind.WaitForLine(
        "inhibit shutdown:sleep|Glimview|Saving photos and videos that have not been saved yet|delay"));
    EXPECT_FALSE(logind.TakeLine("released shutdown:sleep"));
    ASSERT_TRUE(logind.Announce("shutdown"));
    ASSERT_TRUE(program->waitForFinished(10000));
    EXPECT_TRUE(logind.WaitForLine("released shutdown:sleep"));
    EXPECT_EQ(QDir(Folder.filePath(QStringLiteral("Videos")))
                  .entryList({ QStringLiteral("Glimview *.wmv") })
                  .size(),
        1);
}

// A sleep notice that comes as soon as the main window shows, while the
// camera still starts (once a crash: the start-up went on with the closed
// windows).
TEST_F(ProgramTest, LogindsSleepNoticeClosesTheProgram)
{
    TPrivateLogind logind(Folder.path());
    ASSERT_TRUE(logind.IsReady());
    TXvfb x;
    ASSERT_FALSE(x.Display.isEmpty());
    const QString settingsFile = Folder.filePath(QStringLiteral("config/Tessaly/settings.reg"));
    QProcess* program = Start(x.For(logind.For(Env)), MakeRunFolder(true));
    // The program listens for logind from before its main window shows.
    ASSERT_TRUE(QTest::qWaitFor([&] { return x.Viewable(x.WindowNamed(ProductTitle)); }, 20000))
        << program->readAllStandardError().toStdString();
    QFile::remove(settingsFile); // only the close writes it now
    ASSERT_TRUE(logind.Announce("sleep"));
    ASSERT_TRUE(program->waitForFinished(10000));
    EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program->exitCode(), 0) << program->readAllStandardError().toStdString();
    EXPECT_TRUE(QFileInfo::exists(settingsFile));
    ExpectNothingLeftInTheRuntimeFolder();
}

// A signal while a box or dialog waits for its answer ends the program at
// once and cleanly: the box answers "no", then the windows close. (Once the
// windows went under the box's own loop, and the heap broke.)
TEST_F(ProgramTest, ASignalWhileABoxIsOpenEndsTheProgramCleanly)
{
    enum class TTemp { Folder, File, SmallDisk };
    struct TCase {
        const char* Name;
        bool Camera;
        TTemp Temp;
        std::function<void(const TXvfb&)> Open; // what the user does
        QString BoxTitle;
        int BoxesOfThatTitle;
        QStringList Environment = {}; // name, value, name, value ...
    };
    // Clicks are handled in order and the snapshot, record and stop buttons
    // do their work within the click: the next click finds it done. Only a
    // popup menu is mapped later.
    const auto snapshotThenClose = [](const TXvfb& x) {
        Click(x, 50 + 77, 50 + 70); // the snapshot button
        Click(x, 50 + 308, 50 + 31); // the close button: the unsaved question
    };
    const auto aboutBox = [](const TXvfb& x) {
        Click(x, 50 + 20, 50 + 100, 3); // the panel's menu, a window of the program's name
        if (QTest::qWaitFor([&] { return ViewableWindowsNamed(x, QStringLiteral("Glimview")) == 1; }, 5000))
            Click(x, 50 + 20 + 30, 50 + 100 + 10); // its first item
    };
    const auto snapshotThen = [](int x0, int y0) {
        return [x0, y0](const TXvfb& x) {
            Click(x, 50 + 77, 50 + 70); // the snapshot button
            Click(x, x0, y0);
        };
    };
    const auto recordAClip = [](const TXvfb& x) {
        Click(x, 50 + 133, 50 + 70); // record
        QTest::qWait(1500); // the clip's length, not a wait for an event
        Click(x, 50 + 133, 50 + 70); // stop
    };
    // Pressed again, the button would end the recording before the disk is
    // full: pressed again only when no clip came of the last press for long
    // (a press before the button shows is lost; a slow program takes its time).
    QElapsedTimer recordPressed;
    const auto recordOnce = [&](const TXvfb& x) {
        if (ClipFiles(Folder.filePath(QStringLiteral("run/Temp"))).isEmpty()
            && (!recordPressed.isValid()
                || recordPressed.hasExpired(glimview_test::Allowance(5000, 30000)))) {
            Click(x, 50 + 133, 50 + 70);
            recordPressed.start();
        }
    };
    const auto recordThenPlay = [&](const TXvfb& x) {
        recordAClip(x);
        Click(x, 50 + 177, 322 + 114); // the video gallery's play button
    };
    // The save dialog opens on the suggested name; another name typed over it
    // is taken already.
    const QString taken = Folder.filePath(QStringLiteral("taken.wmv"));
    const auto recordThenSaveOverAFile = [&](const TXvfb& x) {
        recordAClip(x);
        Click(x, 50 + 136, 322 + 114); // the video gallery's save button
        if (!QTest::qWaitFor([&] { return ViewableWindowsNamed(x, QStringLiteral("Save As")) == 1; }, 10000))
            return;
        x.Run(QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("ctrl+a") });
        x.Run(QStringLiteral("xdotool"), { QStringLiteral("type"), taken });
        x.Run(QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("Return") });
    };
    const QString busyCamera = Folder.filePath(QStringLiteral("busy-camera.ini"));
    {
        QFile devices(busyCamera);
        ASSERT_TRUE(devices.open(QIODevice::WriteOnly));
        devices.write("[busy]\nprovider=v4l2\nname=Busy Cam\npath=/dev/video0\nbus-info=usb-1\n"
                      "caps=video/x-raw,format=YUY2,width=640,height=480,framerate=30/1\nbusy=true\n");
        QFile clip(taken);
        ASSERT_TRUE(clip.open(QIODevice::WriteOnly));
        clip.write("an older clip");
    }
    const std::vector<TCase> cases {
        { "no camera", false, TTemp::Folder, {}, ProductTitle, 2 },
        { "no Temp folder", true, TTemp::File, {}, ProductTitle, 2 },
        { "unsaved photo", true, TTemp::Folder, snapshotThenClose, ProductTitle, 2 },
        { "about box", true, TTemp::Folder, aboutBox, QStringLiteral("Tessaly Information"), 1 },
        { "settings dialog", true, TTemp::Folder, [](const TXvfb& x) { Click(x, 50 + 226, 50 + 78); },
            QStringLiteral("Vidcore Test Camera"), 1 },
        { "image viewer", true, TTemp::Folder, snapshotThen(50 + 177, 174 + 114),
            QStringLiteral("Image View"), 1 },
        { "photo save dialog", true, TTemp::Folder, snapshotThen(50 + 136, 174 + 114),
            QStringLiteral("Save As"), 1 },
        { "camera lost", true, TTemp::Folder, {}, ProductTitle, 2,
            { QStringLiteral("VIDCORE_TEST_CAMERA_FAIL_AFTER"), QStringLiteral("150") } },
        { "camera busy", false, TTemp::Folder, {}, ProductTitle, 2,
            { QStringLiteral("GST_PLUGIN_PATH"),
                QString::fromLocal8Bit(qgetenv("GST_PLUGIN_PATH")) + u':'
                    + QStringLiteral(FAKECAM_PLUGIN_DIR),
                QStringLiteral("FAKECAM_DEVICES"), busyCamera } },
        // No programs on the search path and none of the system's applications: no player for the clip.
        { "no player", true, TTemp::Folder, recordThenPlay, ProductTitle, 2,
            { QStringLiteral("PATH"), QStringLiteral("/nonexistent"), QStringLiteral("XDG_DATA_DIRS"),
                QStringLiteral("/nonexistent") } },
        { "replace question", true, TTemp::Folder, recordThenSaveOverAFile, QStringLiteral("Glimview"), 1 },
        // Room for the first frame as a snapshot and a moment of the clip.
        { "recording failed", true, TTemp::SmallDisk, recordOnce, ProductTitle, 2 },
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TXvfb x;
        ASSERT_FALSE(x.Display.isEmpty());
        const QString run = MakeRunFolder(c.Temp != TTemp::File);
        const QString temp = run + QStringLiteral("/Temp");
        QDir(temp).removeRecursively();
        std::unique_ptr<glimview_test::SmallTmpfs> smallDisk;
        if (c.Temp == TTemp::File) {
            QFile file(temp);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        } else if (c.Temp == TTemp::SmallDisk) {
            QDir().mkpath(temp);
            smallDisk
                = std::make_unique<glimview_test::SmallTmpfs>("1200k", QFile::encodeName(temp).toStdString());
            if (!smallDisk->Mounted()) {
                std::cout << "a small disk cannot be mounted here (not root?); case skipped\n";
                continue;
            }
        } else {
            QDir().mkpath(temp);
        }
        QProcessEnvironment env = x.For(Env);
        env.insert(
            QStringLiteral("VIDCORE_TEST_DEVICES"), c.Camera ? QStringLiteral("1") : QStringLiteral("0"));
        // Settings of its own: a case that ends with an unsaved capture leaves
        // the next start a word about where it was saved.
        env.insert(QStringLiteral("XDG_CONFIG_HOME"),
            Folder.filePath(QStringLiteral("config-") + QLatin1String(c.Name)));
        for (qsizetype i = 0; i + 1 < c.Environment.size(); i += 2)
            env.insert(c.Environment[i], c.Environment[i + 1]);
        QProcess* program = Start(env, run);
        ASSERT_TRUE(program->waitForStarted());
        const bool open = QTest::qWaitFor(
            [&] {
                // With a camera, the user acts once its picture shows: a
                // snapshot before that takes nothing.
                if (c.Open && ViewableWindowsNamed(x, ProductTitle) == 1
                    && FileExists(MapFile("writesync4snapwell_Quillon"))
                    && (!c.Camera || test_support::WaitForLiveViewPicture(x.Display, 0)))
                    c.Open(x);
                return QTest::qWaitFor(
                    [&] { return ViewableWindowsNamed(x, c.BoxTitle) >= c.BoxesOfThatTitle; }, 2000);
            },
            int(glimview_test::Allowance(40000, 120000)));
        ASSERT_TRUE(open) << program->readAllStandardError().toStdString();

        QElapsedTimer ending;
        ending.start();
        ASSERT_TRUE(EndBySignal(*program));
        EXPECT_LT(ending.elapsed(), glimview_test::Allowance(2000, 8000));
        EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program->exitCode(), 0) << program->readAllStandardError().toStdString();
        ExpectNothingLeftInTheRuntimeFolder();
        smallDisk.reset();
        QFile::remove(temp);
        QDir(run).removeRecursively();
    }
    // The replace was answered "no": the older clip is as it was.
    QFile clip(taken);
    ASSERT_TRUE(clip.open(QIODevice::ReadOnly));
    EXPECT_EQ(clip.readAll(), "an older clip");
}

} // namespace
