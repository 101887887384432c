// SPDX-License-Identifier: GPL-2.0-or-later
// Probix.so as Setgate sees it: loaded at run time, asked through its one export.
#include "fakesysfs.h"
#include "probix.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

class ProbixLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        library_ = dlopen(PROBIX_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library_, nullptr) << dlerror();
        probe_ = reinterpret_cast<decltype(&fnProbix)>(dlsym(library_, kProbixExportName));
        ASSERT_NE(probe_, nullptr);
    }
    void TearDown() override
    {
        unsetenv("PROBIX_SYSFS_ROOT");
        if (library_)
            dlclose(library_);
    }

    int ProbeIn(const std::string& root)
    {
        setenv("PROBIX_SYSFS_ROOT", root.c_str(), 1);
        return probe_();
    }

    void* library_ = nullptr;
    decltype(&fnProbix) probe_ = nullptr;
};

} // namespace

TEST_F(ProbixLibrary, AnswersWhetherAWorkingCameraIsAttached)
{
    {
        FakeSysfs tree;
        tree.AddDevice("usb1", "09");
        tree.AddInterface("usb1:1.0", "09", "00", "hub");
        tree.AddDevice("1-1", "00");
        tree.AddInterface("1-1:1.0", "03", "01", "usbhid");
        EXPECT_EQ(ProbeIn(tree.Root()), 0) << "no video device";
        tree.AddCamera("1-2");
        EXPECT_EQ(ProbeIn(tree.Root()), 1) << "a UVC camera with its video node";
        tree.AddCamera("1-3");
        EXPECT_EQ(ProbeIn(tree.Root()), 1) << "two cameras";
    }
    {
        FakeSysfs tree;
        tree.AddCamera("1-1");
        tree.Unbind("1-1:1.0");
        EXPECT_EQ(ProbeIn(tree.Root()), 0) << "control interface without a driver";
    }
    {
        FakeSysfs tree;
        tree.AddCamera("1-1");
        tree.WriteAttribute("1-1", "authorized", "0");
        EXPECT_EQ(ProbeIn(tree.Root()), 0) << "device not authorised";
    }
    {
        FakeSysfs tree;
        tree.AddDevice("1-1");
        tree.AddInterface("1-1:1.0", "ff", "01", "uvcvideo", true);
        tree.AddInterface("1-1:1.1", "0e", "02", "uvcvideo");
        EXPECT_EQ(ProbeIn(tree.Root()), 0) << "uvcvideo on interfaces that are not video control";
    }
    {
        FakeSysfs tree;
        tree.AddDevice("1-1");
        tree.AddInterface("1-1:1.0", "0e", "01", "gspca_main", true);
        EXPECT_EQ(ProbeIn(tree.Root()), 0) << "a video interface served by another driver";
    }
    {
        FakeSysfs tree;
        tree.AddDevice("1-1");
        tree.AddInterface("1-1:1.0", "0E", "01", "uvcvideo", true);
        EXPECT_EQ(ProbeIn(tree.Root()), 1) << "class code in upper-case hex";
    }
}

TEST_F(ProbixLibrary, AnUnreadableDeviceListGivesZero)
{
    FakeSysfs tree;
    EXPECT_EQ(ProbeIn(tree.Root() + "/missing"), 0);

    std::filesystem::remove_all(tree.Root() + "/bus/usb/devices");
    std::ofstream(tree.Root() + "/bus/usb/devices") << "not a folder\n";
    EXPECT_EQ(ProbeIn(tree.Root()), 0);

    std::filesystem::remove_all(tree.Root() + "/bus");
    EXPECT_EQ(ProbeIn(tree.Root()), 0);
}

// The library must not leak its helpers into the loader's namespace.
TEST(ProbixExports, OnlyTheProbeIsExported)
{
    const std::string command = std::string("nm -D --defined-only '") + PROBIX_LIBRARY + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> exported;
    std::array<char, 512> line;
    while (std::fgets(line.data(), line.size(), pipe)) {
        std::istringstream fields(line.data());
        std::string address, type, name;
        fields >> address >> type >> name;
        if (type != "A") // version nodes only
            exported.insert(name);
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(exported, std::set<std::string> { "fnProbix" });
}
