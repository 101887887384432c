// SPDX-License-Identifier: GPL-2.0-or-later
// The real program as a user starts it: one copy at a time, the foreign
// camera program, and the live picture on a real X server.
#include "CoreApplication.h"
#include "ForeignAccount.h"
#include "LiveViewPicture.h"
#include "SanitizedBuild.h"
#include "SmallTmpfs.h"
#include "TempHome.h"
#include "XvfbServer.h"
#include "core/MessagePort.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <functional>
#include <iostream>
#include <memory>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

const QString ProductTitle = QStringLiteral("Tessaly - Norvel Electronics Inc.");
const QString ForeignTitle = QStringLiteral("[::Vigilo::] - Tarsel Telecom. Inc.");
const QString Program = QStringLiteral(GLIMVIEW_RUN_DIR "/glimview");

class ProgramTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test_support::EnsureApplication(); }

    void SetUp() override
    {
        ASSERT_TRUE(Folder.isValid());
        // The program and this test must agree on where the ports live.
        qputenv("XDG_RUNTIME_DIR", Folder.Runtime().toUtf8());
        Env = QProcessEnvironment::systemEnvironment();
        Env.insert(QStringLiteral("XDG_CONFIG_HOME"), Folder.filePath(QStringLiteral("config")));
        Env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
    }

    void TearDown() override
    {
        for (QProcess* p : Started) {
            p->kill();
            p->waitForFinished(5000);
            delete p;
        }
    }

    QProcess* Start(
        const QProcessEnvironment& env, const QString& workingFolder = QStringLiteral(GLIMVIEW_RUN_DIR))
    {
        auto* p = new QProcess();
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(workingFolder);
        p->start(Program, {});
        Started.push_back(p);
        return p;
    }

    // A run folder of the test's own: the languages, and a Temp folder when asked.
    QString MakeRunFolder(bool withTemp)
    {
        const QString run = Folder.filePath(QStringLiteral("run"));
        QDir().mkpath(run);
        QFile::link(QStringLiteral(GLIMVIEW_RUN_DIR "/Languages"), run + QStringLiteral("/Languages"));
        if (withTemp)
            QDir().mkpath(run + QStringLiteral("/Temp"));
        return run;
    }

    QString RuntimeFile(const QString& name) const { return Folder.Runtime() + u'/' + name; }
    // The map files under the names this test process gives them.
    QString MapFile(const char* mapName) const
    {
        return RuntimeFile(
            QString::fromLatin1(mapName) + QString::fromLocal8Bit(qgetenv("GLIMVIEW_SHM_SUFFIX")));
    }

    QProcessEnvironment Offscreen(bool withCamera = false) const
    {
        QProcessEnvironment env = Env;
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(
            QStringLiteral("VIDCORE_TEST_DEVICES"), withCamera ? QStringLiteral("1") : QStringLiteral("0"));
        return env;
    }

    // What the close button leaves: the clip files deleted (the kept name
    // shows the clip was complete), the window positions saved, the maps and
    // the port gone.
    void ExpectClosedAsByItsCloseButton(QProcess& program, const QString& temp, const QString& kept) const;
    // The maps and the port are gone, in the runtime folder and in /dev/shm.
    void ExpectNothingLeftInTheRuntimeFolder() const;

    test_support::TempHome Folder;
    QProcessEnvironment Env;
    std::vector<QProcess*> Started;
};

// The test's own X server (see XvfbServer), with the X client tools the
// window checks need.
class TXvfb {
public:
    explicit TXvfb(int width = 1280, int height = 800, bool withOpenGL = true)
        : FServer(width, height, withOpenGL)
        , Display(QString::fromStdString(FServer.display()))
    {
    }
    // Runs an X client tool against this display; its standard output.
    QByteArray Run(const QString& tool, QStringList arguments) const
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), Display);
        process.setProcessEnvironment(env);
        process.start(tool, arguments);
        process.waitForFinished(10000);
        return process.readAllStandardOutput();
    }
    QImage Shot() const { return test_support::ScreenShot(Display); }
    // The top-level window named exactly `title`; 0 when there is none.
    quint32 WindowNamed(const QString& title) const
    {
        const QString tree = QString::fromUtf8(
            Run(QStringLiteral("xwininfo"), { QStringLiteral("-root"), QStringLiteral("-children") }));
        for (const QString& line : tree.split(u'\n')) {
            const QString trimmed = line.trimmed();
            if (trimmed.startsWith(QStringLiteral("0x"))
                && trimmed.contains(QLatin1Char('"') + title + QLatin1Char('"')))
                return trimmed.section(u' ', 0, 0).toUInt(nullptr, 16);
        }
        return 0;
    }
    QString Property(quint32 window, const QString& name) const
    {
        return QString::fromUtf8(
            Run(QStringLiteral("xprop"), { QStringLiteral("-id"), QString::number(window), name }))
            .trimmed();
    }
    QRect Geometry(quint32 window) const
    {
        const QString info = QString::fromUtf8(
            Run(QStringLiteral("xwininfo"), { QStringLiteral("-id"), QString::number(window) }));
        const auto value = [&](const char* label) {
            const qsizetype at = info.indexOf(QLatin1String(label));
            return at < 0 ? -1 : info.mid(at + qstrlen(label)).section(u'\n', 0, 0).trimmed().toInt();
        };
        return QRect(value("Absolute upper-left X:"), value("Absolute upper-left Y:"), value("Width:"),
            value("Height:"));
    }
    QProcessEnvironment For(const QProcessEnvironment& base) const
    {
        QProcessEnvironment env = base;
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("DISPLAY"), Display);
        env.insert(QStringLiteral("VIDCORE_TEST_DEVICES"), QStringLiteral("1"));
        return env;
    }

private:
    test_support::XvfbServer FServer;

public:
    const QString Display;
};

using test_support::SaturatedColoursOnRow;

// How many windows of this name are mapped on the display.
int ViewableWindowsNamed(const TXvfb& x, const QString& title)
{
    int count = 0;
    const QString tree = QString::fromUtf8(
        x.Run(QStringLiteral("xwininfo"), { QStringLiteral("-root"), QStringLiteral("-children") }));
    for (const QString& line : tree.split(u'\n')) {
        const QString trimmed = line.trimmed();
        // 0x200051 "name": ("glimview" "Glimview")  363x86+36+313  +36+313
        if (!trimmed.startsWith(QStringLiteral("0x"))
            || !trimmed.section(u' ', 1).startsWith(u'"' + title + QStringLiteral("\":")))
            continue;
        if (x.Run(QStringLiteral("xwininfo"), { QStringLiteral("-id"), trimmed.section(u' ', 0, 0) })
                .contains("IsViewable"))
            ++count;
    }
    return count;
}

// Signals the started program only. One that has ended already has the id 0,
// and kill(0) would signal the whole process group: CTest and whatever
// started it.
void SignalProgram(const QProcess& program, int number)
{
    if (const qint64 pid = program.processId(); pid > 0)
        ::kill(pid_t(pid), number);
}

bool FileExists(const QString& path)
{
    struct stat info { };
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

QStringList ClipFiles(const QString& temp)
{
    return QDir(temp).entryList({ QStringLiteral("GLV_temp_*") }, QDir::Files);
}

// The duration of a media file as ffprobe reads it; negative when it cannot.
// The file's length as its header tells it: of the whole file, or of its
// picture alone (the whole also counts the sound's late start, if it started
// late).
double ProbedDuration(const QString& path, bool pictureOnly = false)
{
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
        QStringList { QStringLiteral("-v"), QStringLiteral("error") }
            + (pictureOnly
                    ? QStringList { QStringLiteral("-select_streams"), QStringLiteral("v:0"),
                        QStringLiteral("-show_entries"), QStringLiteral("stream=duration") }
                    : QStringList { QStringLiteral("-show_entries"), QStringLiteral("format=duration") })
            + QStringList { QStringLiteral("-of"), QStringLiteral("csv=p=0"), path });
    probe.waitForFinished(30000);
    bool ok = false;
    const double duration = probe.readAllStandardOutput().trimmed().toDouble(&ok);
    return probe.exitCode() == 0 && ok ? duration : -1;
}

void ProgramTest::ExpectClosedAsByItsCloseButton(
    QProcess& program, const QString& temp, const QString& kept) const
{
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(ClipFiles(temp).isEmpty()); // deleted as at a normal close
    EXPECT_GT(ProbedDuration(kept), 0.5); // and complete when it was
    QFile settings(Folder.filePath(QStringLiteral("config/Tessaly/settings.reg")));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QByteArray text = settings.readAll();
    EXPECT_TRUE(
        text.contains("[HKEY_CURRENT_USER\\Software\\Tessaly\\MainController]\n\"Left\"=dword:00000032"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("VideoGallery"));
    ExpectNothingLeftInTheRuntimeFolder();
}

void ProgramTest::ExpectNothingLeftInTheRuntimeFolder() const
{
    EXPECT_FALSE(FileExists(MapFile("readsync4snapwell_Quillon")));
    EXPECT_FALSE(FileExists(MapFile("writesync4snapwell_Quillon")));
    EXPECT_FALSE(FileExists(RuntimeFile(ProductTitle)));
    // Nor anything in the shared memory of the machine.
    const QString suffix = QString::fromLocal8Bit(qgetenv("GLIMVIEW_SHM_SUFFIX"));
    EXPECT_TRUE(QDir(QStringLiteral("/dev/shm"))
                    .entryList({ u'*' + suffix + u'*' }, QDir::AllEntries | QDir::System)
                    .isEmpty());
}

TEST_F(ProgramTest, SecondStartHandsOverAndEnds)
{
    QProcessEnvironment env = Env;
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("VIDCORE_TEST_DEVICES"), QStringLiteral("0"));
    QProcess* first = Start(env);
    ASSERT_TRUE(first->waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([] { return MessagePortExists(ProductTitle); }, 20000));

    QProcess* second = Start(env);
    ASSERT_TRUE(second->waitForFinished(20000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(first->state(), QProcess::Running);
    EXPECT_TRUE(MessagePortExists(ProductTitle));
}

TEST_F(ProgramTest, TwoStartsCloseTogetherGiveOneInstance)
{
    QProcess* first = Start(Offscreen());
    ASSERT_TRUE(first->waitForStarted());
    QTest::qWait(300); // the second start comes while the first still builds its windows
    QProcess* second = Start(Offscreen());
    ASSERT_TRUE(second->waitForFinished(20000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    ASSERT_TRUE(QTest::qWaitFor([] { return MessagePortExists(ProductTitle); }, 20000));
    EXPECT_EQ(first->state(), QProcess::Running);
}

TEST_F(ProgramTest, AFloodOfConnectionsNeitherMakesASecondCopyNorTakesThePort)
{
    rlimit files {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &files), 0);
    if (files.rlim_max < 3300)
        GTEST_SKIP() << "the descriptor limit is below the flood";
    const rlimit saved = files;
    files.rlim_cur = files.rlim_max;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &files), 0);

    QProcess* first = Start(Offscreen());
    ASSERT_TRUE(QTest::qWaitFor([] { return MessagePortExists(ProductTitle); }, 20000));
    // 3,000 connections held by a process of the same user.
    const QByteArray path = QFile::encodeName(MessagePortPath(ProductTitle));
    std::vector<int> held;
    for (int i = 0; i < 3000; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        held.push_back(fd);
    }
    QProcess* second = Start(Offscreen());
    ASSERT_TRUE(second->waitForFinished(20000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(first->state(), QProcess::Running);
    for (const int fd : held)
        ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    // The flood's ends reach the program only now, all at once; it takes
    // messages again within seconds.
    EXPECT_TRUE(PostPortMessageWithin(ProductTitle, 32968, 0, 0, 5000));
}

TEST_F(ProgramTest, MapsLeftByACopyThatWasKilledAreReplacedAtTheNextStart)
{
    const QString block = MapFile("readsync4snapwell_Quillon");
    const QString permission = MapFile("writesync4snapwell_Quillon");
    QProcess* killed = Start(Offscreen());
    ASSERT_TRUE(QTest::qWaitFor([&] { return FileExists(block) && FileExists(permission); }, 20000));
    killed->kill();
    ASSERT_TRUE(killed->waitForFinished(5000));
    ASSERT_TRUE(FileExists(block)); // kill -9 leaves them
    // Marked, and one left open to others, as a planted one would be.
    auto firstBytes = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.read(9) : QByteArray();
    };
    {
        QFile file(block);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.write("left over");
    }
    ASSERT_EQ(::chmod(QFile::encodeName(permission).constData(), 0666), 0);

    QProcess* next = Start(Offscreen());
    ASSERT_TRUE(QTest::qWaitFor([] { return MessagePortExists(ProductTitle); }, 20000));
    // Fresh maps read as zeros.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return firstBytes(block) == QByteArray(9, '\0') && FileExists(permission); }, 10000));
    struct stat info { };
    ASSERT_EQ(::lstat(QFile::encodeName(permission).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_FALSE(next->readAllStandardError().contains("Failed : Map"));

    // A clean end takes them away again, and the port with them.
    SignalProgram(*next, SIGTERM);
    ASSERT_TRUE(next->waitForFinished(10000));
    EXPECT_EQ(next->exitCode(), 0);
    EXPECT_FALSE(FileExists(block));
    EXPECT_FALSE(FileExists(permission));
    EXPECT_FALSE(FileExists(RuntimeFile(ProductTitle)));
}

TEST_F(ProgramTest, AnotherAccountsObjectsAtTheOldMapNamesChangeNothing)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving an object to another account needs root";
    // Objects another account made first under the names earlier builds used.
    std::vector<QString> planted;
    for (const char* name : { "readsync4snapwell_Quillon", "writesync4snapwell_Quillon" }) {
        const QString path = QStringLiteral("/dev/shm/%1.%2").arg(QLatin1String(name)).arg(::getuid());
        if (FileExists(path))
            continue; // not ours to touch
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 4242, 4242), 0);
        planted.push_back(path);
    }
    QProcess* program = Start(Offscreen(true));
    const bool mapsMade = QTest::qWaitFor(
        [&] { return MessagePortExists(ProductTitle) && FileExists(MapFile("writesync4snapwell_Quillon")); },
        20000);
    for (const QString& path : planted)
        QFile::remove(path);
    ASSERT_TRUE(mapsMade);
    SignalProgram(*program, SIGTERM);
    ASSERT_TRUE(program->waitForFinished(10000));
    EXPECT_FALSE(program->readAllStandardError().contains("Failed : Map"));
}

// Presses the record button (at 110,47 in the window at 50,50) until a clip
// is being written and has grown. A second name keeps the clip's contents
// once the program deletes it; that name, or empty when nothing recorded.
QString RecordUntilAClipGrows(const TXvfb& x, const QString& temp, const QString& keptPath)
{
    const bool recording = QTest::qWaitFor(
        [&] {
            if (ClipFiles(temp).isEmpty())
                x.Run(QStringLiteral("xdotool"),
                    { QStringLiteral("mousemove"), QStringLiteral("183"), QStringLiteral("120"),
                        QStringLiteral("click"), QStringLiteral("1") });
            // Pressed again before the clip shows, the button would end it.
            return QTest::qWaitFor(
                [&] { return !ClipFiles(temp).isEmpty(); }, int(glimview_test::Allowance(1500, 6000)));
        },
        60000);
    if (!recording) {
        ADD_FAILURE() << "no clip appeared in " << temp.toStdString();
        return {};
    }
    const QString clip = temp + u'/' + ClipFiles(temp).first();
    const qint64 grown = qint64(glimview_test::Allowance(200000, 50000));
    const int within = int(glimview_test::Allowance(20000, 90000));
    if (!QTest::qWaitFor([&] { return QFileInfo(clip).size() > grown; }, within)) {
        ADD_FAILURE() << clip.toStdString() << " stayed at " << QFileInfo(clip).size()
                      << " bytes; in Temp: " << ClipFiles(temp).join(u' ').toStdString();
        return {};
    }
    const QString kept = keptPath + u'.' + QFileInfo(clip).suffix();
    if (::link(QFile::encodeName(clip).constData(), QFile::encodeName(kept).constData()) != 0) {
        ADD_FAILURE() << "cannot link " << clip.toStdString() << ": " << std::strerror(errno);
        return {};
    }
    return kept;
}

// Once the live picture shows, Space on the panel takes a snapshot into the
// photo gallery's strip; true when its thumbnail shows there.
bool TakeSnapshotWithSpace(const TXvfb& x)
{
    if (!test_support::WaitForLiveViewPicture(x.Display, 40000))
        return false;
    const QString panelWindow = QString::number(x.WindowNamed(ProductTitle));
    x.Run(
        QStringLiteral("xdotool"), { QStringLiteral("windowfocus"), QStringLiteral("--sync"), panelWindow });
    x.Run(QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("space") });
    return QTest::qWaitFor(
        [&] {
            const quint32 gallery = x.WindowNamed(QStringLiteral("Photos"));
            if (!gallery)
                return false;
            const QRect g = x.Geometry(gallery);
            // The first thumbnail: 80 x 60 at 17,18 in the gallery.
            return g.width() > 0
                && SaturatedColoursOnRow(x.Shot(), g.left() + 17, g.left() + 17 + 79, g.top() + 18 + 20) >= 3;
        },
        20000);
}

// The library's account of a recording on the program's standard error,
// for when a clip does not grow.
QProcessEnvironment WithRecordingTrace(QProcessEnvironment env)
{
    env.insert(QStringLiteral("GST_DEBUG"), QStringLiteral("vidcore:4"));
    env.insert(QStringLiteral("GST_DEBUG_NO_COLOR"), QStringLiteral("1"));
    return env;
}

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
    SignalProgram(*program, SIGTERM);
    ASSERT_TRUE(program->waitForFinished(10000));
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
        SignalProgram(*program, number);
        ASSERT_TRUE(program->waitForFinished(10000));
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
    x.Run(QStringLiteral("xdotool"),
        { QStringLiteral("mousemove"), QStringLiteral("183"), QStringLiteral("120"), QStringLiteral("click"),
            QStringLiteral("1") });
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
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return x.Run(QStringLiteral("xwininfo"), { QStringLiteral("-name"), ProductTitle })
                .contains("IsViewable");
        },
        20000))
        << program->readAllStandardError().toStdString();
    QFile::remove(settingsFile); // only the close writes it now
    ASSERT_TRUE(logind.Announce("sleep"));
    ASSERT_TRUE(program->waitForFinished(10000));
    EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program->exitCode(), 0) << program->readAllStandardError().toStdString();
    EXPECT_TRUE(QFileInfo::exists(settingsFile));
    ExpectNothingLeftInTheRuntimeFolder();
}

// Another account may write into the runtime folder, and has taken
// /tmp/glimview-UID: the program uses the private folder under the home,
// which no one else can make. When even that one is not the user's, it does
// not start at all: without the lock a second copy could.
TEST_F(ProgramTest, ARuntimeFolderOthersMayWriteIsPassedOverForThePrivateOne)
{
    using namespace foreignaccount;
    if (::geteuid() != 0)
        GTEST_SKIP() << "another account's socket and folders need root";
    // A shared folder (mode 1777) as XDG_RUNTIME_DIR, holding another
    // account's listening socket of the port's name.
    ASSERT_EQ(::chmod(QFile::encodeName(Folder.path()).constData(), 0711), 0);
    const QString shared = Folder.filePath(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkpath(shared));
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
    TListener foreign(shared + u'/' + ProductTitle, Nobody, TFileAccess::AsTheAccount);
    ASSERT_TRUE(foreign.IsListening());

    // The old fallback under /tmp squatted by the other account, seen only by
    // the program (a namespace of its own), so no other Glimview meets it.
    const QString squat = Folder.filePath(QStringLiteral("squat"));
    ASSERT_TRUE(QDir().mkpath(squat));
    ASSERT_EQ(::chown(QFile::encodeName(squat).constData(), Nobody, Nobody), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(squat).constData(), 0777), 0);
    const QString state = Folder.filePath(QStringLiteral("state"));
    const QString standIn = state + QStringLiteral("/glimview/run");
    QProcessEnvironment env = Offscreen(true);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), shared);
    env.insert(QStringLiteral("XDG_STATE_HOME"), state);
    const auto start = [&] {
        auto* program = new QProcess();
        Started.push_back(program);
        program->setProcessEnvironment(env);
        program->setWorkingDirectory(QStringLiteral(GLIMVIEW_RUN_DIR));
        program->start(QStringLiteral("unshare"),
            { QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private"),
                QStringLiteral("sh"), QStringLiteral("-c"),
                QStringLiteral("mkdir -p \"$1\" && mount --bind \"$0\" \"$1\" && exec \"$2\""), squat,
                QStringLiteral("/tmp/glimview-%1").arg(::geteuid()), Program });
        return program;
    };
    QProcess* program = start();
    ASSERT_TRUE(program->waitForStarted());

    // It starts fully, with its port and maps in the private folder, made 0700.
    const QString port = standIn + u'/' + ProductTitle;
    const QString suffix = QString::fromLocal8Bit(qgetenv("GLIMVIEW_SHM_SUFFIX"));
    const bool started = QTest::qWaitFor(
        [&] {
            QLocalSocket probe;
            probe.connectToServer(port);
            return probe.waitForConnected(1000)
                && FileExists(standIn + QStringLiteral("/writesync4snapwell_Quillon") + suffix)
                && FileExists(standIn + QStringLiteral("/readsync4snapwell_Quillon") + suffix);
        },
        20000);
    EXPECT_TRUE(started) << program->readAllStandardError().toStdString();
    EXPECT_EQ(program->state(), QProcess::Running);
    EXPECT_EQ(QFileInfo(standIn).permissions() & 0x0077, 0);
    // The other account's socket was never contacted, nor anything made beside it or in its folder.
    const TListener::TTally tally = foreign.Tally();
    EXPECT_EQ(tally.Connections, 0);
    EXPECT_EQ(QDir(shared)
                  .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)
                  .join(u'|'),
        ProductTitle);
    EXPECT_TRUE(QDir(squat).isEmpty(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot));

    SignalProgram(*program, SIGTERM);
    ASSERT_TRUE(program->waitForFinished(10000));
    EXPECT_EQ(program->exitCode(), 0);
    EXPECT_FALSE(FileExists(port));

    // The private folder taken by the other account: no start, one message.
    ASSERT_EQ(::chown(QFile::encodeName(standIn).constData(), Nobody, Nobody), 0);
    program = start();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return program->state() != QProcess::Running
                || program->readAllStandardError().contains("not starting");
        },
        20000));
    SignalProgram(*program, SIGTERM); // the message box waits for its answer
    ASSERT_TRUE(program->waitForFinished(10000));
    EXPECT_FALSE(program->exitStatus() == QProcess::NormalExit && program->exitCode() == 0);
    EXPECT_FALSE(FileExists(port));
    EXPECT_FALSE(FileExists(standIn + QStringLiteral("/writesync4snapwell_Quillon") + suffix));
}

// The resident memory of a process in kilobytes; -1 once it is gone.
qint64 ResidentKilobytes(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

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
    // The status line's text is set on the tick after the camera opened.
    QElapsedTimer watched;
    watched.start();
    qint64 most = 0;
    while (watched.elapsed() < 2000 && program->state() == QProcess::Running) {
        most = std::max(most, ResidentKilobytes(program->processId()));
        QTest::qWait(100);
    }
    EXPECT_LT(most, 400 * 1024);
    ASSERT_EQ(program->state(), QProcess::Running);
    SignalProgram(*program, SIGTERM);
    ASSERT_TRUE(program->waitForFinished(10000));
    EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program->exitCode(), 0);
}

// A runtime folder without a byte of room: ORC, which the camera's streaming
// threads use, would map its code from there and fault. The camera runs.
TEST_F(ProgramTest, ACompletelyFullRuntimeFolderLeavesTheCameraRunning)
{
    glimview_test::SmallTmpfs full("256k", QFile::encodeName(Folder.Runtime()).toStdString());
    if (!full.Mounted())
        GTEST_SKIP() << "a small file system of the test's own needs root";
    {
        QFile filler(Folder.Runtime() + QStringLiteral("/filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) { }
    }
    const QString run = MakeRunFolder(true);
    QProcess* program = Start(WithRecordingTrace(Offscreen(true)), run);
    ASSERT_TRUE(program->waitForStarted());
    // The camera opens (the box about the frame maps' room comes later) and
    // its streaming threads convert frames for a few seconds.
    QByteArray said;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            said += program->readAllStandardError();
            return said.contains("opened at") || program->state() != QProcess::Running;
        },
        40000))
        << said.toStdString();
    QElapsedTimer streaming;
    streaming.start();
    while (streaming.elapsed() < 3000 && program->state() == QProcess::Running)
        QTest::qWait(100);
    ASSERT_EQ(program->state(), QProcess::Running) << said.toStdString();
    SignalProgram(*program, SIGTERM);
    ASSERT_TRUE(program->waitForFinished(10000));
    EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
}

// The working folder's Temp is a link to another account's folder that
// anybody may write into: nothing is written there, the working files go to
// a private Temp of the user's own.
TEST_F(ProgramTest, ATempFolderOthersMayWriteIsPassedOverForAPrivateOne)
{
    const QString foreign = Folder.filePath(QStringLiteral("foreign"));
    ASSERT_TRUE(QDir().mkpath(foreign));
    ASSERT_EQ(::chmod(QFile::encodeName(foreign).constData(), 01777), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(
            ::chown(QFile::encodeName(foreign).constData(), foreignaccount::Nobody, foreignaccount::Nobody),
            0);
    }
    const QString run = MakeRunFolder(false);
    ASSERT_TRUE(QFile::link(foreign, run + QStringLiteral("/Temp")));
    QProcessEnvironment env = Offscreen(true);
    env.insert(QStringLiteral("XDG_STATE_HOME"), Folder.filePath(QStringLiteral("state")));
    QProcess* program = Start(env, run);
    const QString own = Folder.filePath(QStringLiteral("state/glimview/Temp"));
    // The warm-up recording goes to the private folder.
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo(own + QStringLiteral("/sample")).size() > 0; }, 40000))
        << program->readAllStandardError().toStdString();
    EXPECT_TRUE(QDir(foreign).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    struct stat info { };
    ASSERT_EQ(::lstat(QFile::encodeName(own).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    SignalProgram(*program, SIGTERM);
    ASSERT_TRUE(program->waitForFinished(10000));
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

TEST_F(ProgramTest, AMissingTempFolderIsMadeAndTheLiveViewShows)
{
    TXvfb x;
    ASSERT_FALSE(x.Display.isEmpty());
    const QString run = MakeRunFolder(false);
    QProcess* program = Start(x.For(Env), run);
    ASSERT_TRUE(program->waitForStarted());
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo(run + QStringLiteral("/Temp")).isDir(); }, 30000));
    // The warm-up recording has its folder, so the live picture comes.
    EXPECT_TRUE(test_support::WaitForLiveViewPicture(x.Display, 40000));
}

TEST_F(ProgramTest, ForeignCameraProgramStopsTheStartSilently)
{
    TMessagePort foreign(ForeignTitle);
    ASSERT_TRUE(foreign.IsListening());
    QProcessEnvironment env = Env;
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess* program = Start(env);
    // The foreign port must keep answering while the program probes it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return program->state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(program->exitCode(), 0);
    EXPECT_FALSE(MessagePortExists(ProductTitle));
    EXPECT_TRUE(program->readAllStandardError().trimmed().isEmpty());
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
    x.Run(
        QStringLiteral("xdotool"), { QStringLiteral("windowfocus"), QStringLiteral("--sync"), panelWindow });
    x.Run(QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("m") });
    EXPECT_TRUE(QTest::qWaitFor([&] { return liveViewDirection() <= -3; }, 10000)) << "not mirrored";

    const QString snapshot = run + QStringLiteral("/Temp/scb.bmp");
    x.Run(
        QStringLiteral("xdotool"), { QStringLiteral("windowfocus"), QStringLiteral("--sync"), panelWindow });
    x.Run(QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("space") });
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

    SignalProgram(*program, SIGTERM);
    ASSERT_TRUE(program->waitForFinished(20000));
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
    const QStringList named
        = QString::fromUtf8(x.Run(QStringLiteral("xdotool"),
                                { QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                    QStringLiteral("--name"), u'^' + ProductTitle + u'$' }))
              .split(u'\n', Qt::SkipEmptyParts);
    for (const QString& window : named) {
        if (x.Geometry(window.toUInt()).topLeft() == QPoint(50, 50))
            continue; // the panel
        x.Run(QStringLiteral("xdotool"), { QStringLiteral("windowfocus"), QStringLiteral("--sync"), window });
        x.Run(QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("Return") });
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return ViewableWindowsNamed(x, ProductTitle) == 1; }, 10000));

    // A self-timer of 3 s (T), started in the window and followed into full
    // screen: the picture is mirrored there too, the digits stand at the
    // screen's centre, and the flash covers the whole screen.
    const QRect screen(0, 0, 1280, 800);
    const QRect centre(screen.center() - QPoint(20, 20), QSize(40, 40));
    const TScreenGrabber fullGrabber(x.Display);
    const QString restarted = QString::number(x.WindowNamed(ProductTitle));
    x.Run(QStringLiteral("xdotool"), { QStringLiteral("windowfocus"), QStringLiteral("--sync"), restarted });
    x.Run(QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("t") });
    x.Run(QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("space") });
    x.Run(QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("F11") });
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

} // namespace

void Click(const TXvfb& x, int left, int top, int button = 1)
{
    x.Run(QStringLiteral("xdotool"),
        { QStringLiteral("mousemove"), QString::number(left), QString::number(top), QStringLiteral("click"),
            QString::number(button) });
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
        SignalProgram(*program, SIGTERM);
        ASSERT_TRUE(program->waitForFinished(10000));
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
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            panel = x.WindowNamed(ProductTitle);
            return panel != 0
                && x.Run(QStringLiteral("xwininfo"), { QStringLiteral("-id"), QString::number(panel) })
                       .contains("IsViewable");
        },
        20000))
        << program->readAllStandardError().toStdString();
    EXPECT_EQ(x.Geometry(panel).topLeft(), QPoint(50, 50));
    // The photo gallery at 1080,600 of a 1280x800 screen lies more than half on it: kept.
    SignalProgram(*program, SIGTERM);
    ASSERT_TRUE(program->waitForFinished(10000));
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

namespace {

// The time of the last packet in a media file, as ffprobe reads the packets
// themselves (a cut clip's header says nothing true); negative when none.
double LastPacketTime(const QString& path)
{
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
        { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
            QStringLiteral("v:0"), QStringLiteral("-show_entries"), QStringLiteral("packet=pts_time"),
            QStringLiteral("-of"), QStringLiteral("csv=p=0"), path });
    probe.waitForFinished(30000);
    const QList<QByteArray> lines = probe.readAllStandardOutput().trimmed().split('\n');
    bool ok = false;
    const double last = lines.isEmpty() ? -1 : lines.last().toDouble(&ok);
    return ok ? last : -1;
}

int EntriesStartingWith(const QByteArray& folder, const char* prefix)
{
    int count = 0;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* entry = ::readdir(dir))
            count += std::strncmp(entry->d_name, prefix, std::strlen(prefix)) == 0;
        ::closedir(dir);
    }
    return count;
}

// Removes what Qt cannot name: the shell's glob handles any bytes.
struct TRemoveRaw {
    QString Folder;
    const char* Pattern;
    ~TRemoveRaw()
    {
        QProcess::execute(QStringLiteral("/bin/sh"),
            { QStringLiteral("-c"), QStringLiteral("rm -rf -- \"$0\"/") + QLatin1String(Pattern), Folder });
    }
};

// The boxes at the top of an MP4 file, in order: "ftyp", "moov", "moof" ...
QList<QByteArray> TopLevelBoxes(const QString& path)
{
    QFile file(path);
    QList<QByteArray> boxes;
    if (!file.open(QIODevice::ReadOnly))
        return boxes;
    while (!file.atEnd()) {
        const QByteArray head = file.read(16);
        if (head.size() < 8)
            break;
        quint64 size = qFromBigEndian<quint32>(head.constData());
        if (size == 1 && head.size() == 16)
            size = qFromBigEndian<quint64>(head.constData() + 8);
        boxes << head.mid(4, 4);
        if (size == 0 || !file.seek(file.pos() - head.size() + qint64(size)))
            break; // the last box, to the end of the file
    }
    return boxes;
}

// A clip whose recording was cut off. AVI and ASF: the header tells less
// than the packets hold (how much less depends on when the muxer last wrote
// it). MP4: its last fragment is not followed by the table a finished clip
// ends with. WebM: it tells no length at all.
bool CutShort(const QString& clip)
{
    if (clip.endsWith(QLatin1String(".mp4")))
        return !TopLevelBoxes(clip).contains("mfra");
    return ProbedDuration(clip) < LastPacketTime(clip) - 0.5;
}

QStringList RecoveredFiles(const QString& folder)
{
    return QDir(folder).entryList({ QStringLiteral("Glimview recovered *") }, QDir::Files, QDir::Name);
}

} // namespace

// A recording cut off by kill -9 (ASF by the program itself; uncompressed AVI,
// which the menus do not offer, MP4 and WebM by the capture library) is copied whole into
// the videos folder at the next start, and one message says so. The Temp
// files stay and are not listed (the close would delete a listed one); a
// further start copies nothing again. The second run's folder has a name
// that is not UTF-8: its Temp is still the one found.
TEST_F(ProgramTest, RecordingsCutByAKillAreSavedWholeAtTheNextStartOnce)
{
    const QString videos = Folder.filePath(QStringLiteral("videos"));
    ASSERT_TRUE(QDir().mkpath(Folder.filePath(QStringLiteral("config"))));
    QFile dirs(Folder.filePath(QStringLiteral("config/user-dirs.dirs")));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_VIDEOS_DIR=\"" + QFile::encodeName(videos) + "\"\n");
    dirs.close();
    // A folder named in Latin-1, reached through a link: Qt cannot spell it.
    const QByteArray runBytes = QFile::encodeName(Folder.path()) + "/run-caf\xe9";
    const TRemoveRaw cleanup { Folder.path(), "run-caf*" };
    ASSERT_EQ(::mkdir(runBytes.constData(), 0700), 0);
    ASSERT_EQ(::mkdir((runBytes + "/Temp").constData(), 0700), 0);
    ASSERT_EQ(::symlink(GLIMVIEW_RUN_DIR "/Languages", (runBytes + "/Languages").constData()), 0);
    const QString run = Folder.filePath(QStringLiteral("run"));
    ASSERT_EQ(::symlink("run-caf\xe9", QFile::encodeName(run).constData()), 0);
    const QString temp = run + QStringLiteral("/Temp");
    // Started in the folder itself, not through the link's name.
    const auto startInRun = [&](const QProcessEnvironment& env) {
        auto* p = new QProcess();
        p->setProcessEnvironment(env);
        p->start(QStringLiteral("/bin/sh"),
            { QStringLiteral("-c"), QStringLiteral("cd -P \"$0\" && exec \"$1\""), run, Program });
        Started.push_back(p);
        return p;
    };

    TXvfb x;
    ASSERT_FALSE(x.Display.isEmpty());
    {
        QProcess* program = startInRun(x.For(Env));
        ASSERT_FALSE(RecordUntilAClipGrows(x, temp, Folder.filePath(QStringLiteral("kept"))).isEmpty())
            << program->readAllStandardError().toStdString();
        // A second copy on the same folder, with a runtime folder of its own
        // (so it starts as well): the recording it finds is running, not cut.
        test_support::TempHome otherHome;
        QProcessEnvironment other = x.For(Env);
        other.insert(QStringLiteral("XDG_RUNTIME_DIR"), otherHome.Runtime());
        QProcess* second = startInRun(other);
        ASSERT_TRUE(second->waitForStarted());
        QTest::qWait(3000); // the clip's length, and the second copy's time to recover it by mistake
        EXPECT_TRUE(RecoveredFiles(videos).isEmpty());
        ASSERT_EQ(second->state(), QProcess::Running) << second->readAllStandardError().toStdString();
        second->kill();
        ASSERT_TRUE(second->waitForFinished(10000));
        program->kill();
        ASSERT_TRUE(program->waitForFinished(10000));
    }
    // The other types by the capture library, each killed once over a second
    // of it is in the file: 640x480 BGR frames, or the compressed types'
    // packets as the file tells them.
    struct CutType {
        const char* name;
        const char* type;
    };
    for (const auto& [name, type] : { CutType { "GLV_temp_1.00000000000000E-001.avi", "0" },
             CutType { "GLV_temp_2.00000000000000E-001.mp4", "2" },
             CutType { "GLV_temp_3.00000000000000E-001.webm", "3" } }) {
        QProcess recorder;
        recorder.setProcessEnvironment(Offscreen(true));
        const QString clip = temp + u'/' + QLatin1String(name);
        recorder.start(QStringLiteral(CUT_RECORDER), { clip, QLatin1String(type) });
        ASSERT_TRUE(recorder.waitForReadyRead(30000)) << recorder.readAllStandardError().toStdString();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return clip.endsWith(QLatin1String(".avi")) ? QFileInfo(clip).size() > 40'000'000
                                                            : LastPacketTime(clip) > 1.5;
            },
            30000))
            << name;
        recorder.kill();
        ASSERT_TRUE(recorder.waitForFinished(10000));
    }
    const QStringList cut = ClipFiles(temp);
    ASSERT_EQ(cut.size(), 4);
    // Cut: the header tells less than the packets hold.
    QHash<QString, double> recordedLength;
    for (const QString& clip : cut) {
        ASSERT_TRUE(CutShort(temp + u'/' + clip)) << "not cut: " << clip.toStdString();
        recordedLength[clip] = LastPacketTime(temp + u'/' + clip);
    }

    // The videos folder cannot be made (a file stands at its name): a
    // failure that may pass, so the next start tries again.
    {
        QFile blocker(videos);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QProcess* failing = startInRun(x.For(Env));
        ASSERT_TRUE(QTest::qWaitFor([&] { return ViewableWindowsNamed(x, ProductTitle) >= 2; }, 60000))
            << failing->readAllStandardError().toStdString();
        ::kill(pid_t(failing->processId()), SIGTERM);
        ASSERT_TRUE(failing->waitForFinished(10000));
        ASSERT_TRUE(QFile::remove(videos));
        EXPECT_EQ(ClipFiles(temp), cut);
    }

    QProcess* program = startInRun(x.For(Env));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ViewableWindowsNamed(x, ProductTitle) >= 2; }, 60000))
        << program->readAllStandardError().toStdString();
    const QStringList recovered = RecoveredFiles(videos);
    ASSERT_EQ(recovered.size(), 4) << recovered.join(u',').toStdString();
    for (const QString& clip : cut) {
        const QString extension = QFileInfo(clip).suffix();
        const auto copy = std::find_if(recovered.begin(), recovered.end(),
            [&](const QString& name) { return name.endsWith(u'.' + extension); });
        ASSERT_NE(copy, recovered.end()) << extension.toStdString();
        EXPECT_TRUE(QRegularExpression(
            QStringLiteral("^Glimview recovered \\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d\\.") + extension
            + u'$')
                        .match(*copy)
                        .hasMatch())
            << copy->toStdString();
        // Whole: as long as the recorded packets, not the 0.046 s of the cut header.
        const double recorded = recordedLength[clip];
        EXPECT_GT(recorded, 1.0) << clip.toStdString();
        // WebM tells the length of the whole clip only.
        const bool pictureOnly = extension != QLatin1String("webm");
        // A cut MP4 keeps its whole fragments: it may lose the last one (a second).
        const double lost = extension == QLatin1String("mp4") ? 1.1 : 0.5;
        EXPECT_NEAR(ProbedDuration(videos + u'/' + *copy, pictureOnly), recorded, lost)
            << copy->toStdString();
        // A repaired MP4 is an ordinary one, its index in front of its packets.
        if (extension == QLatin1String("mp4")) {
            const QList<QByteArray> boxes = TopLevelBoxes(videos + u'/' + *copy);
            EXPECT_LT(boxes.indexOf("moov"), boxes.indexOf("mdat")) << boxes.join(' ').toStdString();
            EXPECT_FALSE(boxes.contains("moof")) << boxes.join(' ').toStdString();
        }
    }
    ::kill(pid_t(program->processId()), SIGTERM);
    ASSERT_TRUE(program->waitForFinished(10000));
    EXPECT_EQ(program->exitCode(), 0);
    EXPECT_TRUE(ClipFiles(temp).isEmpty()); // the cut originals went once their copies were saved
    // Nothing was written beside the folder under a name Qt made up.
    EXPECT_EQ(EntriesStartingWith(QFile::encodeName(Folder.path()), "run-caf"), 1);

    // Once only.
    program = startInRun(x.For(Env));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ViewableWindowsNamed(x, ProductTitle) == 1; }, 30000));
    EXPECT_FALSE(QTest::qWaitFor([&] { return ViewableWindowsNamed(x, ProductTitle) >= 2; }, 3000));
    EXPECT_EQ(RecoveredFiles(videos), recovered);
}
