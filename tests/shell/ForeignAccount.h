// SPDX-License-Identifier: GPL-2.0-or-later
// Another account's process at the other end of a local socket, for the
// tests that run as root: a forked child that runs as `uid`. With
// KeepFileAccess it keeps root's file access, so it can reach a folder that
// is closed to everybody else, while the kernel still names it `uid` as a
// socket peer; that leaves the peer check as the only guard in the way.
// The child makes only plain system calls, as a child of a threaded
// process must.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace foreignaccount {

inline constexpr uid_t Nobody = 65534;

enum class TFileAccess { AsTheAccount, KeepRoots };

inline sockaddr_un AddressOf(const QString& path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(
        address.sun_path, name.constData(), std::min(size_t(name.size()), sizeof address.sun_path - 1));
    return address;
}

// In the child only.
inline bool Become(uid_t uid, TFileAccess access)
{
    if (access == TFileAccess::AsTheAccount)
        return ::setgroups(0, nullptr) == 0 && ::setgid(gid_t(uid)) == 0 && ::setuid(uid) == 0;
    // The effective ids name the peer; the file-system id stays root's.
    if (::setresgid(gid_t(-1), gid_t(uid), gid_t(-1)) != 0 || ::setresuid(uid_t(-1), uid, uid_t(-1)) != 0)
        return false;
    ::setfsuid(0);
    return int(::setfsuid(uid_t(-1))) == 0;
}

inline bool ReadAll(int fd, void* data, size_t size)
{
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t got = ::read(fd, bytes, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        bytes += got;
        size -= size_t(got);
    }
    return true;
}

// A socket that another account listens on at `path`. Tally() ends the
// child and tells how many connections reached it and how many bytes they
// carried.
class TListener {
public:
    struct TTally {
        int Connections = -1;
        int Bytes = -1;
    };

    TListener(const QString& path, uid_t uid, TFileAccess access)
    {
        const sockaddr_un address = AddressOf(path);
        int ready[2];
        int control[2];
        if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(control, O_CLOEXEC) != 0)
            return;
        FPid = ::fork();
        if (FPid == 0) {
            ::close(ready[0]);
            ::close(control[1]);
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (!Become(uid, access) || fd < 0
                || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
                || ::listen(fd, 64) != 0)
                ::_exit(1);
            TTally tally { 0, 0 };
            if (::write(ready[1], &tally, 1) != 1)
                ::_exit(1);
            char word;
            ReadAll(control[0], &word, 1);
            ::fcntl(fd, F_SETFL, O_NONBLOCK);
            for (int client; (client = ::accept(fd, nullptr, nullptr)) >= 0; ::close(client)) {
                ++tally.Connections;
                char bytes[256];
                for (ssize_t got; (got = ::recv(client, bytes, sizeof bytes, MSG_DONTWAIT)) > 0;)
                    tally.Bytes += int(got);
            }
            ::_exit(::write(ready[1], &tally, sizeof tally) == sizeof tally ? 0 : 1);
        }
        ::close(ready[1]);
        ::close(control[0]);
        FReady = ready[0];
        FControl = control[1];
        char byte;
        FListening = FPid > 0 && ReadAll(FReady, &byte, 1);
    }
    ~TListener()
    {
        if (FPid > 0 && !FEnded) {
            ::kill(FPid, SIGKILL);
            ::waitpid(FPid, nullptr, 0);
        }
        ::close(FReady);
        ::close(FControl);
    }
    TListener(const TListener&) = delete;
    TListener& operator=(const TListener&) = delete;

    bool IsListening() const { return FListening; }

    TTally Tally()
    {
        TTally tally;
        if (!FListening || FEnded)
            return tally;
        if (::write(FControl, "t", 1) != 1 || !ReadAll(FReady, &tally, sizeof tally))
            tally = {};
        ::waitpid(FPid, nullptr, 0);
        FEnded = true;
        return tally;
    }

private:
    pid_t FPid = -1;
    int FReady = -1;
    int FControl = -1;
    bool FListening = false;
    bool FEnded = false;
};

// Another account connects to `path`, sends `bytes` and waits for the other
// end to close. The Qt event loop runs meanwhile, so a port in this process
// serves it. True when it connected and its bytes went out.
inline bool SendAs(uid_t uid, TFileAccess access, const QString& path, const QByteArray& bytes)
{
    const sockaddr_un address = AddressOf(path);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (!Become(uid, access) || fd < 0
            || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            ::_exit(1);
        if (::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size())
            ::_exit(2);
        pollfd closed { fd, POLLIN, 0 };
        char byte;
        while (::poll(&closed, 1, 10000) == 1 && ::read(fd, &byte, 1) > 0) { }
        ::_exit(0);
    }
    if (pid < 0)
        return false;
    int status = -1;
    const bool ended = QTest::qWaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 15000);
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace foreignaccount
