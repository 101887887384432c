// SPDX-License-Identifier: GPL-2.0-or-later
// Device listing with the synthetic devices switched on.
#include "vidcore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string NameFrom(void (*list)(char*, int32_t*), int32_t device)
{
    char name[256];
    std::memset(name, 'x', sizeof name);
    list(name, &device);
    EXPECT_NE(std::memchr(name, '\0', sizeof name), nullptr);
    return name;
}

std::string VideoName(int32_t device) { return NameFrom(AM_GetDeviceList, device); }

std::string AudioName(int32_t device) { return NameFrom(AM_GetAudioDeviceList, device); }

} // namespace

TEST(VidcoreDevices, SyntheticDevicesAreListedAfterTheRealOnes)
{
    int32_t videos = -1;
    int32_t audios = -1;
    AM_GetDeviceNum(&videos);
    AM_GetAudioDeviceNum(&audios);
    ASSERT_GE(videos, 1);
    ASSERT_GE(audios, 1);
    EXPECT_EQ(VideoName(videos - 1), "Vidcore Test Camera");
    EXPECT_EQ(AudioName(audios - 1), "Vidcore Test Microphone");
    for (int32_t n = 0; n < videos; ++n)
        EXPECT_FALSE(VideoName(n).empty()) << n;
    for (int32_t n = 0; n < audios; ++n)
        EXPECT_FALSE(AudioName(n).empty()) << n;
    // Listing again gives the same count: devices are not listed twice.
    int32_t again = -1;
    AM_GetDeviceNum(&again);
    EXPECT_EQ(again, videos);
}

TEST(VidcoreDevices, OutOfRangeNumbersAreRefused)
{
    int32_t videos = 0;
    int32_t audios = 0;
    AM_GetDeviceNum(&videos);
    AM_GetAudioDeviceNum(&audios);
    EXPECT_EQ(VideoName(-1), "");
    EXPECT_EQ(VideoName(videos), "");
    EXPECT_EQ(AudioName(audios), "");
    EXPECT_EQ(AudioName(-5), "");
    AM_GetDeviceList(nullptr, nullptr);
    AM_GetDeviceNum(nullptr);
    AM_ChooseVideoDevice(videos + 3);
    AM_ChooseAudioDevice(-1);
    // The refused choices left the synthetic camera usable by number.
    AM_ChooseVideoDevice(videos - 1);
    SUCCEED();
}
