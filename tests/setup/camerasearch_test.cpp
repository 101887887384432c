// SPDX-License-Identifier: GPL-2.0-or-later
#include "camerasearch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

using namespace probix;

namespace {

std::unique_ptr<DeviceRecord> Record(const char* service, const char* className)
{
    auto record = std::make_unique<DeviceRecord>();
    record->statusReadable = true;
    std::strcpy(record->service, service);
    std::strcpy(record->className, className);
    return record;
}

std::unique_ptr<DeviceRecord> Camera() { return Record("usbvideo", "Image"); }

// Hands out prepared records and counts how many were asked for.
class RecordList final : public DeviceList {
public:
    explicit RecordList(std::vector<std::unique_ptr<DeviceRecord>> records)
        : records_(std::move(records))
    {
    }
    bool Next(DeviceRecord& record) override
    {
        if (taken_ == records_.size())
            return false;
        std::memcpy(&record, records_[taken_++].get(), sizeof record);
        return true;
    }
    std::size_t taken() const { return taken_; }

private:
    std::vector<std::unique_ptr<DeviceRecord>> records_;
    std::size_t taken_ = 0;
};

} // namespace

TEST(ProbixSearch, EachOfTheSixTestsRejectsADevice)
{
    EXPECT_TRUE(IsWorkingVideoCamera(*Camera()));

    auto unreadable = Camera();
    unreadable->statusReadable = false;
    EXPECT_FALSE(IsWorkingVideoCamera(*unreadable));

    auto hidden = Camera();
    hidden->statusFlags = kStatusNoShowInDeviceManager;
    EXPECT_FALSE(IsWorkingVideoCamera(*hidden));

    auto hiddenClass = Camera();
    hiddenClass->classHidden = true;
    EXPECT_FALSE(IsWorkingVideoCamera(*hiddenClass));

    auto problem = Camera();
    problem->statusFlags = kStatusHasProblem;
    EXPECT_FALSE(IsWorkingVideoCamera(*problem));

    auto otherFlags = Camera();
    otherFlags->statusFlags = ~(kStatusNoShowInDeviceManager | kStatusHasProblem);
    EXPECT_TRUE(IsWorkingVideoCamera(*otherFlags));

    EXPECT_FALSE(IsWorkingVideoCamera(*Record("usbhid", "Image")));
    EXPECT_FALSE(IsWorkingVideoCamera(*Record("usbvideo", "Video")));
    EXPECT_FALSE(IsWorkingVideoCamera(*Record("", "Image")));
    EXPECT_FALSE(IsWorkingVideoCamera(*Record("usbvideo", "")));
}

TEST(ProbixSearch, NamesMatchAsUpperCasedSubstrings)
{
    EXPECT_TRUE(IsWorkingVideoCamera(*Record("UsbVideo", "iMaGe")));
    EXPECT_TRUE(IsWorkingVideoCamera(*Record("x-usbvideo-2", "StillImageDevices")));
    EXPECT_FALSE(IsWorkingVideoCamera(*Record("usb video", "Image")));
    EXPECT_FALSE(IsWorkingVideoCamera(*Record("usbvideo", "Imaging")));
    // Only a to z are upper-cased: a dotless i (U+0131) is no I.
    EXPECT_FALSE(IsWorkingVideoCamera(*Record("usbv\xC4\xB1"
                                              "deo",
        "Image")));
}

TEST(ProbixSearch, TextFillingTheWholeBufferIsReadWithinIt)
{
    auto record = std::make_unique<DeviceRecord>();
    std::memset(record->className, 'x', kPropertyBufferSize);
    std::memcpy(record->className + kPropertyBufferSize - 5, "image", 5);
    EXPECT_TRUE(ContainsUpperCased(record->className, "IMAGE"));
    record->className[kPropertyBufferSize - 1] = 'x';
    EXPECT_FALSE(ContainsUpperCased(record->className, "IMAGE"));
}

TEST(ProbixSearch, TheFirstCameraEndsTheSearch)
{
    std::vector<std::unique_ptr<DeviceRecord>> records;
    records.push_back(Record("usb", "Hub"));
    records.push_back(Camera());
    records.push_back(Camera());
    records.push_back(Record("usbhid", "HID"));
    RecordList twoCameras(std::move(records));
    EXPECT_TRUE(FindVideoCamera(twoCameras));
    EXPECT_EQ(twoCameras.taken(), 2u);

    std::vector<std::unique_ptr<DeviceRecord>> others;
    others.push_back(Record("usb", "Hub"));
    others.push_back(Record("usbvideo", "Video"));
    RecordList noCamera(std::move(others));
    EXPECT_FALSE(FindVideoCamera(noCamera));
    EXPECT_EQ(noCamera.taken(), 2u);

    RecordList empty({});
    EXPECT_FALSE(FindVideoCamera(empty));
}
