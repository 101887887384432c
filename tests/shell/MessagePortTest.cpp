// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/MessagePort.h"
#include "ForeignAccount.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString ProductTitle = "Tessaly - Norvel Electronics Inc.";
constexpr quint32 WakeUp = 32968;

QCoreApplication& App()
{
    static int argc = 1;
    static char name[] = "shell_port_tests";
    static char* argv[] = { name, nullptr };
    static QCoreApplication app(argc, argv);
    return app;
}

// Every test gets a runtime folder of its own, so parallel tests and a
// running Glimview never meet.
class ShellMessagePort : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        FSavedRuntime = qgetenv("XDG_RUNTIME_DIR");
        FSavedState = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(FRuntime.path()));
        // The fallback under the home, never the real one.
        qputenv("XDG_STATE_HOME", QFile::encodeName(FState.path()));
    }
    void TearDown() override
    {
        qputenv("XDG_RUNTIME_DIR", FSavedRuntime);
        if (FSavedState.isNull())
            qunsetenv("XDG_STATE_HOME");
        else
            qputenv("XDG_STATE_HOME", FSavedState);
    }
    QString StateRunFolder() const { return FState.filePath(QStringLiteral("glimview/run")); }

    QTemporaryDir FRuntime;
    QTemporaryDir FState;
    QByteArray FSavedRuntime;
    QByteArray FSavedState;
};

int RunClient(const QStringList& arguments)
{
    QProcess client;
    client.start(PORT_CLIENT, arguments);
    // The client blocks on our port, so our event loop must keep running.
    QSignalSpy finished(&client, &QProcess::finished);
    if (!finished.wait(10000))
        return -1;
    return client.exitStatus() == QProcess::NormalExit ? client.exitCode() : -1;
}

// Sends raw bytes and waits, with the event loop running, until the port
// has dropped the connection.
bool SendRawAndWaitForDrop(const QString& path, const QByteArray& bytes)
{
    QLocalSocket socket;
    QSignalSpy dropped(&socket, &QLocalSocket::disconnected);
    socket.connectToServer(path);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(bytes);
    socket.flush();
    return dropped.wait(TMessagePort::ClientTimeoutMs + 3000);
}

// What a crashed process leaves: a socket file that nobody listens on.
void LeaveStaleSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

} // namespace

TEST_F(ShellMessagePort, SecondProcessFindsThePortAndWakesItUp)
{
    EXPECT_EQ(RunClient({ "exists", ProductTitle }), 1);

    TMessagePort port(ProductTitle);
    ASSERT_TRUE(port.IsListening());
    EXPECT_EQ(port.ServerPath(), FRuntime.filePath(ProductTitle));
    port.AcceptMessage(WakeUp);
    QSignalSpy received(&port, &TMessagePort::messageReceived);

    EXPECT_EQ(RunClient({ "exists", ProductTitle }), 0);
    EXPECT_EQ(RunClient({ "post", ProductTitle, "32968", "0", "0" }), 0);
    ASSERT_TRUE(received.count() == 1 || received.wait(5000));
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(received[0][0].value<quint32>(), WakeUp);
    EXPECT_EQ(received[0][1].value<qint64>(), 0);
    EXPECT_EQ(received[0][2].value<qint64>(), 0);

    // A title that differs in any character is another port.
    EXPECT_EQ(RunClient({ "exists", "Tessaly - Norvel Electronics Inc" }), 1);
    EXPECT_EQ(RunClient({ "post", "[::Vigilo::] - Tarsel Telecom. Inc.", "32968", "0", "0" }), 1);
}

TEST_F(ShellMessagePort, UnknownMalformedSilentAndOversizedClientsAreIgnored)
{
    TMessagePort port(ProductTitle);
    ASSERT_TRUE(port.IsListening());
    port.AcceptMessage(WakeUp);
    QSignalSpy received(&port, &TMessagePort::messageReceived);

    for (const QByteArray& bad : QList<QByteArray> { "1 0 0\n", "32968 0\n", "32968  0 0\n", "32968 0 0 0\n",
             "32968 0 x\n", "+32968 0 0\n", "-32968 0 0\n", "32968 0 0\r\n", "4294967296 0 0\n",
             "32968 0 99999999999999999999\n", "", "32968 0 0", QByteArray(200, '7') }) {
        SCOPED_TRACE(bad.constData());
        EXPECT_TRUE(SendRawAndWaitForDrop(port.ServerPath(), bad));
    }
    EXPECT_EQ(received.count(), 0);

    ASSERT_TRUE(PostPortMessage(ProductTitle, WakeUp, -7, 9223372036854775807LL));
    ASSERT_TRUE(received.wait(5000));
    EXPECT_EQ(received[0][1].value<qint64>(), -7);
    EXPECT_EQ(received[0][2].value<qint64>(), 9223372036854775807LL);
}

TEST_F(ShellMessagePort, StaleSocketFileDoesNotBlockAndLivePortIsNotTaken)
{
    const QString path = FRuntime.filePath(ProductTitle);
    LeaveStaleSocket(path);
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_FALSE(MessagePortExists(ProductTitle));
    EXPECT_FALSE(PostPortMessage(ProductTitle, WakeUp, 0, 0));

    TMessagePort first(ProductTitle);
    ASSERT_TRUE(first.IsListening());
    EXPECT_TRUE(MessagePortExists(ProductTitle));

    TMessagePort second(ProductTitle);
    EXPECT_FALSE(second.IsListening());
    first.AcceptMessage(WakeUp);
    QSignalSpy received(&first, &TMessagePort::messageReceived);
    EXPECT_TRUE(PostPortMessage(ProductTitle, WakeUp, 0, 0));
    EXPECT_TRUE(received.wait(5000));
}

TEST_F(ShellMessagePort, PortsAreReachableByTheirOwnerOnly)
{
    qunsetenv("XDG_RUNTIME_DIR");
    const QString folder = MessagePortFolder();
    EXPECT_EQ(folder, StateRunFolder());
    struct stat info { };
    ASSERT_EQ(::lstat(QFile::encodeName(folder).constData(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    const QString title = QString("shell port test %1").arg(QCoreApplication::applicationPid());
    // The folder is shared with every Glimview of this user: the test takes
    // away the one file of its own a port leaves behind.
    struct TRemoveLock {
        QString Path;
        ~TRemoveLock() { QFile::remove(Path); }
    } removeLock { folder + "/" + title + ".lock" };
    TMessagePort port(title);
    ASSERT_TRUE(port.IsListening());
    EXPECT_EQ(port.ServerPath(), folder + "/" + title);
    ASSERT_EQ(::lstat(QFile::encodeName(port.ServerPath()).constData(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 0077, 0u);
    EXPECT_EQ(RunClient({ "exists", title }), 0);
}

TEST_F(ShellMessagePort, TitlesThatCannotNameAFileHaveNoPort)
{
    for (const QString& title : { QString(), QString("a/b"), QString(".."), QString(300, 'x') }) {
        EXPECT_TRUE(MessagePortPath(title).isEmpty()) << qPrintable(title);
        EXPECT_FALSE(TMessagePort(title).IsListening());
        EXPECT_FALSE(PostPortMessage(title, WakeUp, 0, 0));
    }
}

TEST_F(ShellMessagePort, TheLockDecidesTheOwnerAndOnlyItsHolderClearsThePath)
{
    // Whatever sits at the socket's path, even a folder, is the holder's to clear.
    ASSERT_TRUE(QDir().mkpath(FRuntime.filePath(ProductTitle)));
    auto first = std::make_unique<TInstanceLock>(ProductTitle);
    ASSERT_TRUE(first->IsHeld());
    {
        TInstanceLock second(ProductTitle);
        EXPECT_FALSE(second.IsHeld());
        TMessagePort refused(second);
        EXPECT_FALSE(refused.IsListening());
        EXPECT_TRUE(QFileInfo(FRuntime.filePath(ProductTitle)).isDir()); // left alone
    }
    auto port = std::make_unique<TMessagePort>(*first);
    ASSERT_TRUE(port->IsListening());
    port->AcceptMessage(WakeUp);
    QSignalSpy received(port.get(), &TMessagePort::messageReceived);
    EXPECT_EQ(RunClient({ "post", ProductTitle, "32968", "0", "0" }), 0);
    ASSERT_TRUE(received.count() == 1 || received.wait(5000));
    // The sender is named by the kernel: the client process, not this one.
    EXPECT_GT(received[0][3].value<qint64>(), 0);
    EXPECT_NE(received[0][3].value<qint64>(), QCoreApplication::applicationPid());

    // A port that closes removes its socket; the lock of an ended owner is free.
    port.reset();
    EXPECT_FALSE(QFileInfo::exists(FRuntime.filePath(ProductTitle)));
    first.reset();
    EXPECT_TRUE(TInstanceLock(ProductTitle).IsHeld());
}

TEST_F(ShellMessagePort, AFloodOfHeldConnectionsNeitherTakesThePortNorItsDescriptors)
{
    rlimit files {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &files), 0);
    constexpr rlim_t Flood = 3000;
    if (files.rlim_max < Flood + 200)
        GTEST_SKIP() << "the descriptor limit is below the flood";
    const rlimit saved = files;
    files.rlim_cur = files.rlim_max;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &files), 0);

    TMessagePort port(ProductTitle);
    ASSERT_TRUE(port.IsListening());
    port.AcceptMessage(WakeUp);
    QSignalSpy received(&port, &TMessagePort::messageReceived);
    const QByteArray path = QFile::encodeName(port.ServerPath());
    std::vector<int> held;
    for (rlim_t i = 0; i < Flood; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        held.push_back(fd);
        if (i % 64 == 0)
            QCoreApplication::processEvents(); // the port serves while the flood goes on
    }
    // Another process still gets through while every flood connection is held.
    EXPECT_EQ(RunClient({ "post", ProductTitle, "32968", "0", "0" }), 0);
    EXPECT_TRUE(received.count() == 1 || received.wait(5000));
    // Besides the flood's own ends, the port keeps at most its cap of clients open.
    const qsizetype open
        = QDir("/proc/self/fd").entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size();
    EXPECT_LT(open, qsizetype(held.size()) + TMessagePort::MaxClients + 100);
    for (const int fd : held)
        ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_TRUE(port.IsListening());
    EXPECT_TRUE(MessagePortExists(ProductTitle));
}

TEST_F(ShellMessagePort, AFolderOthersMayEnterIsNeverUsed)
{
    // A shared runtime folder (mode 1777) with another account's socket of
    // our port's name: neither a post nor a probe goes there.
    QTemporaryDir shared;
    ASSERT_EQ(::chmod(QFile::encodeName(shared.path()).constData(), 01777), 0);
    const QString foreignPath = shared.filePath(ProductTitle);
    TMessagePort foreign(ProductTitle); // stands for the other account's program, in our folder for now
    ASSERT_TRUE(foreign.IsListening());
    foreign.AcceptMessage(WakeUp);
    QSignalSpy received(&foreign, &TMessagePort::messageReceived);
    ASSERT_EQ(::symlink(QFile::encodeName(foreign.ServerPath()).constData(),
                  QFile::encodeName(foreignPath).constData()),
        0);

    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(shared.path()));
    EXPECT_EQ(MessagePortFolder(), StateRunFolder());
    EXPECT_NE(MessagePortPath(ProductTitle), foreignPath);
    EXPECT_FALSE(MessagePortPath(ProductTitle).startsWith(shared.path()));
    EXPECT_EQ(received.count(), 0);
}

TEST_F(ShellMessagePort, ARuntimeFolderOfAnotherOwnerIsNeverUsedNorIsATakenFallback)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "folders of another account and a /tmp of the test's own need root";
    // Closed to others but not ours: passed over like a shared one.
    QTemporaryDir foreign;
    ASSERT_EQ(::chown(QFile::encodeName(foreign.path()).constData(), 65534, 65534), 0);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(foreign.path()));
    EXPECT_EQ(MessagePortFolder(), StateRunFolder());

    // The /tmp fallback, taken only for a home path too long for a socket
    // name, in a child with a /tmp of its own: one that another account
    // made, that is open to others or that is a link is never used nor
    // repaired; a missing one is made closed.
    qputenv("XDG_STATE_HOME", QFile::encodeName(FState.filePath(QString(80, u'x'))));
    const pid_t child = ::fork();
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || ::mount("glimview-test", "/tmp", "tmpfs", 0, "mode=1777") != 0)
            ::_exit(100);
        ::unsetenv("XDG_RUNTIME_DIR");
        const QByteArray fallback = QFile::encodeName(QString("/tmp/glimview-%1").arg(::geteuid()));
        int failed = 0;
        struct stat info { };
        if (::mkdir(fallback.constData(), 0700) != 0 || ::chown(fallback.constData(), 65534, 65534) != 0)
            ::_exit(101);
        failed |= MessagePortFolder().isEmpty() ? 0 : 1;
        if (::chown(fallback.constData(), 0, 0) != 0 || ::chmod(fallback.constData(), 0755) != 0)
            ::_exit(101);
        failed |= MessagePortFolder().isEmpty() ? 0 : 2;
        failed |= ::lstat(fallback.constData(), &info) == 0 && (info.st_mode & 0777) == 0755 ? 0 : 4;
        ::rmdir(fallback.constData());
        if (::mkdir("/tmp/elsewhere", 0700) != 0 || ::symlink("/tmp/elsewhere", fallback.constData()) != 0)
            ::_exit(101);
        failed |= MessagePortFolder().isEmpty() ? 0 : 8;
        ::unlink(fallback.constData());
        failed |= MessagePortFolder() == QFile::decodeName(fallback) ? 0 : 16;
        failed |= ::lstat(fallback.constData(), &info) == 0 && S_ISDIR(info.st_mode)
                && (info.st_mode & 0777) == 0700
            ? 0
            : 32;
        ::_exit(failed);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 100)
        GTEST_SKIP() << "no mount namespace here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failed checks (bits): " << WEXITSTATUS(status);
}

TEST_F(ShellMessagePort, BothEndsTalkOnlyToTheirOwnUser)
{
    using namespace foreignaccount;
    if (::geteuid() != 0)
        GTEST_SKIP() << "a process of another account needs root";

    // A client of another account that gets past the folder's and the
    // socket's permissions still has nothing delivered.
    {
        TMessagePort port(ProductTitle);
        ASSERT_TRUE(port.IsListening());
        port.AcceptMessage(WakeUp);
        QSignalSpy received(&port, &TMessagePort::messageReceived);
        EXPECT_TRUE(SendAs(Nobody, TFileAccess::KeepRoots, port.ServerPath(), "32968 1 1\n"));
        // Served in order: once our own message is in, the other was dealt with.
        ASSERT_TRUE(PostPortMessage(ProductTitle, WakeUp, 2, 2));
        ASSERT_TRUE(received.count() == 1 || received.wait(5000));
        EXPECT_EQ(received.count(), 1);
        EXPECT_EQ(received[0][1].value<qint64>(), 2);
    }

    // A listener of another account at the port's path is neither taken for
    // the owner nor handed a message, not even by a second start's hand-over.
    TListener foreign(FRuntime.filePath(ProductTitle), Nobody, TFileAccess::KeepRoots);
    ASSERT_TRUE(foreign.IsListening());
    EXPECT_FALSE(MessagePortExists(ProductTitle));
    EXPECT_FALSE(PostPortMessage(ProductTitle, WakeUp, 0, 0));
    EXPECT_FALSE(PostPortMessageWithin(ProductTitle, WakeUp, 0, 0, 300));
    const TListener::TTally tally = foreign.Tally();
    EXPECT_GE(tally.Connections, 3); // they did reach it, and said nothing
    EXPECT_EQ(tally.Bytes, 0);
}

TEST(ShellPortMessage, FormatsAndParsesOneLine)
{
    const TPortMessage message { 32968, -1, 2 };
    EXPECT_EQ(FormatPortMessage(message), "32968 -1 2\n");
    EXPECT_EQ(ParsePortMessage("32968 -1 2\n"), message);
    EXPECT_EQ(ParsePortMessage("4294967295 0 0\n"), (TPortMessage { 4294967295u, 0, 0 }));
    EXPECT_FALSE(ParsePortMessage("32968 -1 2"));
    EXPECT_FALSE(ParsePortMessage(" 32968 -1 2\n"));
    EXPECT_FALSE(ParsePortMessage("32968 - 2\n"));
}
