// SPDX-License-Identifier: GPL-2.0-or-later
#include "camerasearch.h"
#include "fakesysfs.h"
#include "sysfsdevicelist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace probix;

namespace {

// Every record of the tree as "service|class|problem", sorted (the kernel's order is not ours to fix).
std::vector<std::string> Describe(const std::string& root)
{
    SysfsDeviceList devices(root.c_str());
    EXPECT_TRUE(devices.IsOpen());
    std::vector<std::string> lines;
    auto record = std::make_unique<DeviceRecord>();
    while (devices.Next(*record)) {
        EXPECT_TRUE(record->statusReadable);
        EXPECT_FALSE(record->classHidden);
        EXPECT_EQ(record->statusFlags & kStatusNoShowInDeviceManager, 0u);
        lines.push_back(std::string(record->service) + "|" + record->className + "|"
            + ((record->statusFlags & kStatusHasProblem) ? "problem" : "ok"));
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

bool FindIn(const std::string& root)
{
    SysfsDeviceList devices(root.c_str());
    return devices.IsOpen() && FindVideoCamera(devices);
}

} // namespace

TEST(ProbixSysfs, DescribesDevicesAndInterfacesAsTheKernelListsThem)
{
    FakeSysfs tree;
    tree.AddDevice("usb1", "09");
    tree.AddInterface("usb1:1.0", "09", "00", "hub");
    tree.AddCamera("1-1");
    tree.AddDevice("1-2", "00");
    tree.AddInterface("1-2:1.0", "03", "01", "usbhid");
    tree.AddInterface("1-2:1.1", "0E", "01", "uvcvideo", true); // upper-case hex digits
    tree.AddInterface("1-2:1.2", "0e", "01", "uvcvideo"); // no video node yet
    tree.AddInterface("1-2:1.3", "01", "01", ""); // unbound
    tree.AddDevice("1-3", "ef", false);
    tree.AddInterface("1-3:1.0", "0e", "01", "uvcvideo", true);

    const std::vector<std::string> expected = {
        "hub|Hub|ok",
        "usb|Hub|ok",
        "usb|Miscellaneous|ok",
        "usb|Miscellaneous|problem",
        "usb|USB|ok",
        "usbhid|HID|ok",
        "usbvideo|Image|ok",
        "usbvideo|Image|ok",
        "usbvideo|Image|problem",
        "usbvideo|Video|ok",
        "usbvideo|Video|ok",
        "|Audio|problem",
    };
    std::vector<std::string> sortedExpected = expected;
    std::sort(sortedExpected.begin(), sortedExpected.end());
    EXPECT_EQ(Describe(tree.Root()), sortedExpected);
}

TEST(ProbixSysfs, AnEntryThatIsNoFolderHasNoReadableStatus)
{
    FakeSysfs tree;
    std::filesystem::create_directory_symlink("../../../devices/gone", tree.Root() + "/bus/usb/devices/1-9");
    SysfsDeviceList devices(tree.Root().c_str());
    ASSERT_TRUE(devices.IsOpen());
    auto record = std::make_unique<DeviceRecord>();
    ASSERT_TRUE(devices.Next(*record));
    EXPECT_FALSE(record->statusReadable);
    EXPECT_FALSE(devices.Next(*record));
}

TEST(ProbixSysfs, ConcurrentSearchesOverDifferentTreesKeepTheirOwnAnswers)
{
    FakeSysfs withCamera;
    withCamera.AddCamera("1-1");
    FakeSysfs withoutCamera;
    withoutCamera.AddDevice("1-1");
    withoutCamera.AddInterface("1-1:1.0", "03", "01", "usbhid");

    constexpr int kRounds = 200;
    int wrong[4] = {};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            const bool camera = t % 2 == 0;
            const std::string& root = camera ? withCamera.Root() : withoutCamera.Root();
            for (int i = 0; i < kRounds; ++i)
                wrong[t] += FindIn(root) != camera;
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong[0] + wrong[1] + wrong[2] + wrong[3], 0);
}
