// SPDX-License-Identifier: GPL-2.0-or-later
// Linked into every test program: before main(), gives the process a home
// folder of its own and an environment that says nothing about the machine.
// No test then reads or writes the settings, run folder, save folders or
// file-dialog history of the account that runs the suite, none finds that
// account's desktop, display, session bus or language, and each gets the
// program's own fallbacks (~/.config, ~/.local/state/glimview/run) inside the
// private home. A test that needs more sets it up itself. The folder goes at
// exit.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

std::string privateHome;
pid_t owner = 0;

void RemovePrivateHome()
{
    // A forked child that exits must not take its parent's home away.
    if (::getpid() != owner)
        return;
    std::error_code ignored;
    std::filesystem::remove_all(privateHome, ignored);
}

const bool homeMadePrivate = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/glimview-test-home-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return false;
    privateHome = pattern;
    owner = ::getpid();
    std::atexit(RemovePrivateHome);
    ::setenv("HOME", privateHome.c_str(), 1);
    for (const char* name : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME",
             "XDG_RUNTIME_DIR", "DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "XDG_CURRENT_DESKTOP",
             "XDG_SESSION_DESKTOP", "XDG_SESSION_TYPE", "DESKTOP_SESSION", "KDE_FULL_SESSION",
             "GNOME_DESKTOP_SESSION_ID", "DBUS_SESSION_BUS_ADDRESS", "BROWSER", "LC_ALL", "LANGUAGE",
             "LC_CTYPE", "LC_NUMERIC", "LC_TIME", "LC_COLLATE", "LC_MONETARY", "LC_MESSAGES", "LC_PAPER",
             "LC_NAME", "LC_ADDRESS", "LC_TELEPHONE", "LC_MEASUREMENT", "LC_IDENTIFICATION" })
        ::unsetenv(name);
    // A session bus that is not there, rather than none named: with no address
    // libdbus autolaunches a bus, forking from one of the process's many
    // threads, and under the sanitizers that child can deadlock on an
    // allocator lock another thread held at the fork, hanging the test.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + privateHome + "/no-session-bus").c_str(), 1);
    // Always present in Debian's C library, and UTF-8 as file names are.
    ::setenv("LANG", "C.UTF-8", 1);
    return true;
}();

} // namespace
