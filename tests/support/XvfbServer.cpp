// SPDX-License-Identifier: GPL-2.0-or-later
#include "XvfbServer.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace test_support {

XvfbServer::XvfbServer(int width, int height, bool withOpenGL)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return;
    // Everything the child needs is made before the fork: a threaded parent
    // leaves the child only what is safe to call until exec.
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    // -noreset: a server that resets when its last client leaves drops a
    // client that connects during the reset ("could not connect to display").
    std::vector<const char*> arguments
        = { "Xvfb", "-displayfd", "3", "-noreset", "-screen", "0", screen.c_str(), "-nolisten", "tcp" };
    if (!withOpenGL) {
        arguments.push_back("-extension");
        arguments.push_back("GLX");
    }
    arguments.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        // A clean start, as QProcess gives one: no signal blocked or ignored,
        // and of the test's descriptors only the write end, as 3.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int number = 1; number < NSIG; ++number)
            ::signal(number, SIG_DFL);
        if (fds[1] == 3)
            ::fcntl(3, F_SETFD, 0);
        else
            ::dup2(fds[1], 3);
        ::close_range(4, ~0U, 0);
        ::execvp("Xvfb", const_cast<char* const*>(arguments.data()));
        ::_exit(127);
    }
    ::close(fds[1]);
    // The number comes as one line once the server listens; a server that
    // cannot start closes the pipe instead.
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
        pollfd reader { fds[0], POLLIN, 0 };
        if (::poll(&reader, 1, 100) <= 0)
            continue;
        char c = 0;
        if (::read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    ::close(fds[0]);
    if (!number.empty())
        display_ = ":" + number;
}

XvfbServer::~XvfbServer()
{
    if (pid_ <= 0)
        return;
    // Gone for good before the next test's server takes the same display
    // number: a server still closing down would remove its socket.
    ::kill(pid_, SIGTERM);
    pid_t running = 0;
    for (int wait = 0; wait < 500 && (running = ::waitpid(pid_, nullptr, WNOHANG)) == 0; ++wait)
        ::poll(nullptr, 0, 10); // at most 5 s for it to end
    if (running == 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

} // namespace test_support
