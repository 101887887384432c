// SPDX-License-Identifier: GPL-2.0-or-later
// An X server of the test's own on the first free display, which Xvfb
// reports through -displayfd. Plain POSIX, so a test can start it before it
// makes its Qt application (which reads DISPLAY once).
#pragma once

#include <string>
#include <sys/types.h>

namespace test_support {

class XvfbServer {
public:
    // `withOpenGL` false leaves out GLX, as on remote X, VNC and virtual
    // machines without a 3D driver.
    explicit XvfbServer(int width = 1280, int height = 800, bool withOpenGL = true);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // ":N"; empty when the server did not start.
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

} // namespace test_support
