// SPDX-License-Identifier: GPL-2.0-or-later
// Setgate run as a real process, with a stand-in pkexec first on PATH that
// records its arguments and can be held until the test releases it.
#include "fakesysfs.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr auto kDeadline = 10s;

const char* const kFakePkexec = R"(#!/bin/sh
printf '%s\n' "$@" > "$FAKE_PKEXEC_LOG.part"
mv "$FAKE_PKEXEC_LOG.part" "$FAKE_PKEXEC_LOG"
if [ -n "$FAKE_PKEXEC_HOLD" ]; then read release < "$FAKE_PKEXEC_HOLD"; fi
)";

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

struct RunResult {
    bool exited = false;
    int exitCode = -1;
    std::string errorOutput;
};

class Setgate : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "setgate-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        scratch_ = fs::canonical(pattern);
        fs::create_directories(scratch_ / "bin");
        fs::create_directories(scratch_ / "logs");
        fs::create_directories(scratch_ / "launch");
        std::ofstream(scratch_ / "bin/pkexec") << kFakePkexec;
        fs::permissions(scratch_ / "bin/pkexec", fs::perms::owner_all);
        std::ofstream(scratch_ / "installer") << "#!/bin/sh\nexit 0\n";
        fs::permissions(scratch_ / "installer", fs::perms::owner_all);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(scratch_, ignored);
    }

    fs::path LogFile() const { return scratch_ / "logs/pkexec-args"; }

    // The launch folder as a user would unpack it: the probe library and the installer.
    void PrepareLaunchFolder(const fs::path& folder, const char* library)
    {
        fs::create_directories(folder);
        fs::create_symlink(library, folder / "Probix.so");
        fs::create_symlink(scratch_ / "installer", folder / "_isetup");
    }

    RunResult Run(const fs::path& folder, const std::string& sysfsRoot, const std::string& hold = "")
    {
        std::vector<std::string> environment = {
            "PATH=" + (scratch_ / "bin").string() + ":"
                + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin"),
            "FAKE_PKEXEC_LOG=" + LogFile().string(),
            "PROBIX_SYSFS_ROOT=" + sysfsRoot,
        };
        if (!hold.empty())
            environment.push_back("FAKE_PKEXEC_HOLD=" + hold);
        std::vector<char*> envp;
        for (auto& entry : environment)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        char program[] = SETGATE_PROGRAM;
        char* argv[] = { program, nullptr };

        const fs::path errors = scratch_ / "logs/stderr";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
        posix_spawn_file_actions_addopen(
            &actions, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid;
        const int spawned = posix_spawn(&pid, SETGATE_PROGRAM, &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        RunResult result;
        if (spawned != 0) {
            ADD_FAILURE() << "cannot start setgate";
            return result;
        }

        // Wait for the exit on a process descriptor, so a launcher that hangs
        // fails the test at the deadline instead of stalling it.
        const int pidFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
        if (pidFd >= 0) {
            pollfd ready = { pidFd, POLLIN, 0 };
            poll(&ready, 1, std::chrono::milliseconds(kDeadline).count());
            close(pidFd);
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            result.exited = WIFEXITED(status);
            result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        } else {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        result.errorOutput = ReadFile(errors);
        return result;
    }

    // Waits until the stand-in pkexec has recorded its arguments.
    bool WaitForLog()
    {
        const int watch = inotify_init1(IN_CLOEXEC);
        inotify_add_watch(watch, LogFile().parent_path().c_str(), IN_MOVED_TO);
        const auto deadline = std::chrono::steady_clock::now() + kDeadline;
        bool found = fs::exists(LogFile());
        while (!found && std::chrono::steady_clock::now() < deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd ready = { watch, POLLIN, 0 };
            if (poll(&ready, 1, static_cast<int>(left.count()) + 1) > 0) {
                char events[4096];
                [[maybe_unused]] const ssize_t drained = read(watch, events, sizeof events);
            }
            found = fs::exists(LogFile());
        }
        close(watch);
        return found;
    }

    fs::path scratch_;
};

} // namespace

TEST_F(Setgate, ReportsWhatItCannotFindAndStartsNothing)
{
    FakeSysfs withCamera;
    withCamera.AddCamera("1-1");
    FakeSysfs withoutCamera;
    withoutCamera.AddDevice("1-1");
    withoutCamera.AddInterface("1-1:1.0", "03", "01", "usbhid");

    const fs::path empty = scratch_ / "launch/empty";
    fs::create_directories(empty);
    RunResult noLibrary = Run(empty, withCamera.Root());
    EXPECT_TRUE(noLibrary.exited);
    EXPECT_EQ(noLibrary.exitCode, 0);
    EXPECT_EQ(noLibrary.errorOutput, "GLCAM : [ERR] Can't find dll\n");

    const fs::path wrongLibrary = scratch_ / "launch/wrong";
    PrepareLaunchFolder(wrongLibrary, PROBIX_NOEXPORT_LIBRARY);
    RunResult noExport = Run(wrongLibrary, withCamera.Root());
    EXPECT_EQ(noExport.exitCode, 0);
    EXPECT_EQ(noExport.errorOutput, "GLCAM : [ERR] Can't find function\n");

    const fs::path complete = scratch_ / "launch/complete";
    PrepareLaunchFolder(complete, PROBIX_LIBRARY);
    RunResult noCamera = Run(complete, withoutCamera.Root());
    EXPECT_EQ(noCamera.exitCode, 0);
    EXPECT_EQ(noCamera.errorOutput, "GLCAM : [ERR] Can't find Camera\n");

    // Both files are looked for in the current folder, not beside anything else.
    RunResult elsewhere = Run(scratch_, withCamera.Root());
    EXPECT_EQ(elsewhere.exitCode, 0);
    EXPECT_EQ(elsewhere.errorOutput, "GLCAM : [ERR] Can't find dll\n");

    EXPECT_FALSE(fs::exists(LogFile()));
}

TEST_F(Setgate, StartsTheInstallerElevatedAndReturnsAtOnce)
{
    FakeSysfs withCamera;
    withCamera.AddCamera("1-1");
    const fs::path complete = scratch_ / "launch/complete";
    PrepareLaunchFolder(complete, PROBIX_LIBRARY);
    // The stand-in pkexec stays blocked on this pipe until the end of the test.
    const fs::path hold = scratch_ / "hold";
    ASSERT_EQ(mkfifo(hold.c_str(), 0600), 0);

    RunResult started = Run(complete, withCamera.Root(), hold.string());
    EXPECT_TRUE(started.exited);
    EXPECT_EQ(started.exitCode, 0);
    EXPECT_EQ(started.errorOutput, "");

    ASSERT_TRUE(WaitForLog());
    EXPECT_EQ(ReadFile(LogFile()), (complete / "_isetup").string() + "\n-s\n");

    // Let the held pkexec finish; opening the write end meets its blocked reader.
    const int release = open(hold.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(release, 0);
    EXPECT_EQ(write(release, "\n", 1), 1);
    close(release);
}
