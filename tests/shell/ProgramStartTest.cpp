// SPDX-License-Identifier: GPL-2.0-or-later
// The real program's start: one copy at a time, the foreign camera program,
// the frame maps and the port a killed copy left, and the runtime and Temp
// folders it is given or has to find for itself.
#include "ForeignAccount.h"
#include "ProgramFixture.h"
#include "SmallTmpfs.h"

#include <QLocalSocket>

#include <cstring>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

TEST_F(ProgramTest, SecondStartHandsOverAndEnds)
{
    QProcess* first = Start(Offscreen());
    ASSERT_TRUE(first->waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([] { return MessagePortExists(ProductTitle); }, 20000));

    QProcess* second = Start(Offscreen());
    ASSERT_TRUE(second->waitForFinished(20000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(first->state(), QProcess::Running);
    EXPECT_TRUE(MessagePortExists(ProductTitle));
}

TEST_F(ProgramTest, TwoStartsCloseTogetherGiveOneInstance)
{
    QProcess* first = Start(Offscreen());
    // Its frame maps are made: it holds the lock and its port, and builds its
    // windows next. The second start comes now.
    ASSERT_TRUE(QTest::qWaitFor([&] { return FileExists(MapFile("writesync4snapwell_Quillon")); }, 20000));
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
    ASSERT_TRUE(EndBySignal(*next));
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
    ASSERT_TRUE(EndBySignal(*program));
    EXPECT_FALSE(program->readAllStandardError().contains("Failed : Map"));
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

    ASSERT_TRUE(EndBySignal(*program));
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
    ASSERT_TRUE(EndBySignal(*program)); // the message box waits for its answer
    EXPECT_FALSE(program->exitStatus() == QProcess::NormalExit && program->exitCode() == 0);
    EXPECT_FALSE(FileExists(port));
    EXPECT_FALSE(FileExists(standIn + QStringLiteral("/writesync4snapwell_Quillon") + suffix));
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
    // Unless a fault ends it first.
    static_cast<void>(QTest::qWaitFor([&] { return program->state() != QProcess::Running; }, 3000));
    ASSERT_EQ(program->state(), QProcess::Running) << said.toStdString();
    ASSERT_TRUE(EndBySignal(*program));
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
    ASSERT_TRUE(EndBySignal(*program));
    EXPECT_EQ(program->exitCode(), 0);
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
    TMessagePort foreign(QStringLiteral("[::Vigilo::] - Tarsel Telecom. Inc."));
    ASSERT_TRUE(foreign.IsListening());
    QProcess* program = Start(Offscreen(true));
    // The foreign port must keep answering while the program probes it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return program->state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(program->exitCode(), 0);
    EXPECT_FALSE(MessagePortExists(ProductTitle));
    EXPECT_TRUE(program->readAllStandardError().trimmed().isEmpty());
}

} // namespace
