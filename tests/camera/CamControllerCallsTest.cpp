// SPDX-License-Identifier: GPL-2.0-or-later
#include "CameraTestFixture.h"
#include "core/Assertion.h"

#include <gmock/gmock.h>

#include <QFile>

#include <atomic>
#include <thread>

namespace {

using recording_vidcore::Calls;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using CamControllerCalls = CameraTest;

TEST_F(CamControllerCalls, IdleCloseAndStopCallNothingButStopGivesPermissionBack)
{
    OpenMaps();
    SetPermission(0);
    Controller.CloseCaptureWindow();
    Controller.StopRecording();
    EXPECT_THAT(Calls(), IsEmpty());
    EXPECT_EQ(Permission(), 1u);
    EXPECT_FALSE(Controller.WindowOpen());
    EXPECT_FALSE(Controller.Recording());
}

TEST_F(CamControllerCalls, OpenCloseAndDestroyCaptureWindow)
{
    EXPECT_TRUE(Controller.OpenCaptureWindow());
    EXPECT_TRUE(Controller.WindowOpen());
    try {
        Controller.OpenCaptureWindow();
        ADD_FAILURE() << "a second opening must raise";
    } catch (const EAssertionFailed& error) {
        EXPECT_THAT(error.what(),
            ::testing::MatchesRegex(R"(Assertion failure \(CamControllerUnit\.cpp, line [0-9]+\))"));
    }
    Controller.CloseCaptureWindow();
    EXPECT_FALSE(Controller.WindowOpen());
    EXPECT_THAT(Calls(),
        ElementsAre(
            "AM_OpenCaptureWindow(11,22,33)", "AM_VidCapCloseWindow(22)", "AM_VidCapDestroyWindow(22)"));

    recording_vidcore::Script refusing;
    refusing.openResult = false;
    recording_vidcore::Reset(refusing);
    EXPECT_FALSE(Controller.OpenCaptureWindow());
    EXPECT_FALSE(Controller.WindowOpen());

    recording_vidcore::Reset();
    {
        TCamController controller;
        controller.SetWindows(0, 5);
        ASSERT_TRUE(controller.OpenCaptureWindow());
    }
    EXPECT_THAT(Calls(),
        ElementsAre("AM_OpenCaptureWindow(0,5,0)", "AM_VidCapCloseWindow(5)", "AM_VidCapDestroyWindow(5)"));
}

TEST_F(CamControllerCalls, SetVideoFormatChangesOnlyToAnotherKnownSize)
{
    Controller.SetVideoFormat(1);
    Controller.SetVideoFormat(6);
    Controller.SetVideoFormat(255);
    EXPECT_THAT(Calls(), IsEmpty());
    EXPECT_EQ(Controller.FormatIndex(), 1);

    Controller.SetVideoFormat(2); // no menu offers it, the controller takes it
    EXPECT_EQ(Controller.FormatIndex(), 2);
    for (uint8_t index : { 0, 3, 4, 5 })
        Controller.SetVideoFormat(index);
    EXPECT_THAT(Calls(),
        ElementsAre("AM_SetVideoFormat(800,600)", "AM_SetVideoFormat(320,240)", "AM_SetVideoFormat(1024,768)",
            "AM_SetVideoFormat(1280,1024)", "AM_SetVideoFormat(1600,1200)"));

    recording_vidcore::Reset();
    Controller.ResetVideoFormat();
    EXPECT_EQ(Controller.FormatIndex(), 1);
    Controller.SetVideoFormat(1);
    EXPECT_THAT(Calls(), IsEmpty());
}

// Device choices, the file type and full screen are forwarded as the main
// window's and the live view's call tests show; the source dialog only here.
TEST_F(CamControllerCalls, OnlyTheVideoSourceKindOfDialogIsShown)
{
    Controller.ShowVideoSourceDialog(1);
    Controller.ShowVideoSourceDialog(-1);
    EXPECT_THAT(Calls(), IsEmpty());

    Controller.ShowVideoSourceDialog(0);
    EXPECT_THAT(Calls(), ElementsAre("AM_VideoSource(11)"));
}

TEST_F(CamControllerCalls, EnumerateDevicesListsNamesUpToTheirFirstNul)
{
    recording_vidcore::Script script;
    script.videoDevices = { std::string("Cam A\0junk", 10), "Cam B" };
    script.audioDevices = { "Mic", std::string(300, 'x') };
    recording_vidcore::Reset(script);
    Controller.EnumerateDevices();
    EXPECT_EQ(Controller.VideoDevices(), (QStringList { "Cam A", "Cam B" }));
    EXPECT_EQ(Controller.AudioDevices(), (QStringList { "Mic", QString(256, 'x') }));
}

TEST_F(CamControllerCalls, EnumerateDevicesListsNoMoreVideoDevicesThanTheMapHolds)
{
    recording_vidcore::Script script;
    for (int n = 0; n < 102; ++n)
        script.videoDevices.push_back("Cam " + std::to_string(n));
    recording_vidcore::Reset(script);
    Controller.EnumerateDevices();
    ASSERT_EQ(Controller.VideoDevices().size(), 101);
    EXPECT_EQ(Controller.VideoDevices().last(), "Cam 100");

    recording_vidcore::Reset();
    Controller.EnumerateDevices();
    EXPECT_TRUE(Controller.AudioDevices().isEmpty());
}

TEST_F(CamControllerCalls, RecordingPausesGrabbingUntilItStops)
{
    OpenMaps();
    Sink->PutFrame(640, 480, [](int32_t, int32_t) { return Bgr { 1, 2, 3 }; });
    EXPECT_TRUE(Controller.StartRecording("Temp/clip é.wmv"));
    EXPECT_TRUE(Controller.Recording());
    EXPECT_EQ(Permission(), 0u);
    EXPECT_TRUE(Controller.TakeSnapshot()); // the frame at the start of the recording
    EXPECT_EQ(Permission(), 0u);
    Controller.StopRecording();
    EXPECT_FALSE(Controller.Recording());
    EXPECT_EQ(Permission(), 1u);
    EXPECT_THAT(Calls(),
        ElementsAre(
            "AM_SetCaptureFile(22,Temp/clip é.wmv)", "AM_CaptureVideo(22)", "AM_CaptureVideoQuit(22)"));
}

TEST_F(CamControllerCalls, FailedRecordingStartGivesPermissionBackAtOnce)
{
    OpenMaps();
    Sink->SetFrameReady(1);
    recording_vidcore::Script refusing;
    refusing.captureResult = false;
    recording_vidcore::Reset(refusing);
    EXPECT_FALSE(Controller.StartRecording("clip.avi"));
    EXPECT_FALSE(Controller.Recording());
    EXPECT_EQ(Permission(), 1u);
    EXPECT_THAT(Calls(), ElementsAre("AM_SetCaptureFile(22,clip.avi)", "AM_CaptureVideo(22)"));
}

TEST_F(CamControllerCalls, RecordingStartWaitsForAFirstFrameThenGivesUp)
{
    OpenMaps();
    SetPermission(0);
    EXPECT_FALSE(Controller.StartRecording("clip.avi")); // no frame ever comes
    EXPECT_THAT(Calls(), IsEmpty());
    EXPECT_EQ(Permission(), 1u);
    EXPECT_FALSE(Controller.Recording());

    // A frame that completes during the wait lets the recording start.
    std::thread sink([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        Sink->SetFrameReady(1);
    });
    EXPECT_TRUE(Controller.StartRecording("clip.avi"));
    sink.join();
    EXPECT_EQ(Permission(), 0u);
}

TEST_F(CamControllerCalls, WithoutMapsNothingIsTouched)
{
    EXPECT_FALSE(Controller.TakeSnapshot());
    EXPECT_FALSE(Controller.SaveFrameAsBitmap(Folder.filePath("frame.bmp")));
    EXPECT_FALSE(Controller.StartRecording("clip.avi"));
    Controller.StopRecording();
    EXPECT_THAT(Calls(), IsEmpty());
    EXPECT_FALSE(QFile::exists(Controller.SnapshotFileName()));
    EXPECT_FALSE(QFile::exists(Folder.filePath("frame.bmp")));
}

TEST_F(CamControllerCalls, SnapshotGivesPermissionBackOnEveryWayOut)
{
    OpenMaps();
    Sink->PutFrame(320, 240, [](int32_t, int32_t) { return Bgr { 0, 0, 255 }; });
    SetPermission(0);
    EXPECT_TRUE(Controller.TakeSnapshot());
    EXPECT_EQ(Permission(), 1u);
    EXPECT_EQ(Controller.SnapshotImage().size(), QSize(320, 240));

    // A 0x0 frame gives a file that no picture loader takes.
    Sink->SetHeaderWords(0, 0, 24);
    SetPermission(0);
    EXPECT_THROW(Controller.TakeSnapshot(), EPictureLoadError);
    EXPECT_EQ(Permission(), 1u);
    EXPECT_EQ(Controller.SnapshotImage().size(), QSize(320, 240)); // the last picture stays

    Sink->SetHeaderWords(1600, 1201, 24);
    SetPermission(0);
    EXPECT_FALSE(Controller.TakeSnapshot());
    EXPECT_EQ(Permission(), 1u);
    EXPECT_THAT(Calls(), IsEmpty());
}

TEST_F(CamControllerCalls, SnapshotWaitsForACopyUnderWay)
{
    OpenMaps();
    Sink->PutFrame(320, 240, [](int32_t, int32_t) { return Bgr { 0, 0, 255 }; }); // red
    Sink->SetFrameReady(0);
    // The sink finishes its copy (green) only after it has seen the pause.
    std::thread sink([this] {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (Permission() != 0 && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::yield();
        Sink->PutFrame(320, 240, [](int32_t, int32_t) { return Bgr { 0, 255, 0 }; });
    });
    const bool taken = Controller.TakeSnapshot();
    sink.join();
    ASSERT_TRUE(taken);
    EXPECT_EQ(Controller.SnapshotImage().pixel(160, 120), qRgb(0, 255, 0));
}

} // namespace
