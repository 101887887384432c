// SPDX-License-Identifier: GPL-2.0-or-later
// The running capture: frames reach the frame block, the size changes in
// place, the capture closes and opens again, a failing camera is survived.
#include "vidcore.h"
#include "vidcore_test_support.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using namespace vidcore_test;

namespace {

// The share of near-black pixels in a row of the frame block.
double DarkShare(const FrameMaps& maps, int row)
{
    const int width = maps.Width();
    const unsigned char* pixel = maps.pixels() + std::size_t(row) * width * 3;
    int dark = 0;
    for (int x = 0; x < width; ++x, pixel += 3)
        dark += pixel[0] < 40 && pixel[1] < 40 && pixel[2] < 40;
    return double(dark) / width;
}

class VidcoreCapture : public ::testing::Test {
protected:
    void SetUp() override { ChooseSyntheticDevices(); }
    void TearDown() override
    {
        AM_VidCapCloseWindow(0);
        AM_VidCapDestroyWindow(0);
    }
    FrameMaps maps;
};

} // namespace

TEST_F(VidcoreCapture, FramesReachTheFrameBlockBottomUp)
{
    ASSERT_TRUE(AM_OpenCaptureWindow(0, 0, 0));
    ASSERT_TRUE(maps.WaitForSize(640, 480));
    // The synthetic camera shows colour bars (no black) over a bottom strip
    // that is largely black; the block holds the picture bottom-up, so its
    // first rows are the strip.
    EXPECT_GT(DarkShare(maps, 5), 0.15);
    EXPECT_LT(DarkShare(maps, 400), 0.02);
    // The picture moves: new frames keep arriving.
    const uint64_t first = maps.FrameChecksum();
    EXPECT_TRUE(maps.WaitForNewFrame(first));
}

TEST_F(VidcoreCapture, SizeChangesWhileRunning)
{
    ASSERT_TRUE(AM_OpenCaptureWindow(0, 0, 0));
    ASSERT_TRUE(maps.WaitForSize(640, 480));
    AM_SetVideoFormat(320, 240);
    EXPECT_TRUE(maps.WaitForSize(320, 240));
    AM_SetVideoFormat(1600, 1200);
    EXPECT_TRUE(maps.WaitForSize(1600, 1200));
    // Not one of the capture sizes: refused, the capture goes on as it was.
    AM_SetVideoFormat(1920, 1080);
    EXPECT_TRUE(maps.WaitForNewFrame(maps.FrameChecksum()));
    EXPECT_EQ(maps.Width(), 1600);
    EXPECT_EQ(maps.Height(), 1200);
}

TEST_F(VidcoreCapture, ClosesAndOpensAgain)
{
    ASSERT_TRUE(AM_OpenCaptureWindow(0, 0, 0));
    AM_SetVideoFormat(800, 600);
    ASSERT_TRUE(maps.WaitForSize(800, 600));
    AM_VidCapCloseWindow(0);
    AM_VidCapDestroyWindow(0);
    AM_VidCapCloseWindow(0); // again: harmless
    // Nothing is copied while closed.
    const uint64_t closed = maps.FrameChecksum();
    EXPECT_FALSE(maps.WaitForNewFrame(closed, std::chrono::milliseconds(300)));
    // Same device: the size chosen before is kept.
    ASSERT_TRUE(AM_OpenCaptureWindow(0, 0, 0));
    EXPECT_TRUE(maps.WaitForSize(800, 600));
    EXPECT_TRUE(maps.WaitForNewFrame(maps.FrameChecksum()));
}

TEST_F(VidcoreCapture, FailingCameraEndsTheRecordingAndRefusesTheNext)
{
    // The synthetic camera fails like an unplugged one after 45 frames.
    ::setenv("VIDCORE_TEST_CAMERA_FAIL_AFTER", "45", 1);
    ASSERT_TRUE(AM_OpenCaptureWindow(0, 0, 0));
    const std::string clip = NewClipPath("failing.avi");
    AM_SetVideoType(0);
    AM_SetCaptureFile(0, clip.c_str());
    ASSERT_TRUE(AM_CaptureVideo(0));
    // Frames stop arriving: the block stays the same for half a second.
    uint64_t last = maps.FrameChecksum();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            if (maps.WaitForNewFrame(last, std::chrono::milliseconds(500))) {
                last = maps.FrameChecksum();
                return false;
            }
            return true;
        },
        10000));
    AM_CaptureVideoQuit(0);
    const ClipFacts facts = ExamineClip(clip);
    EXPECT_EQ(facts.videoCodec, "rawvideo");
    EXPECT_EQ(facts.ffmpegErrors, "");
    EXPECT_GT(facts.ffmpegFrames, 0);
    EXPECT_LE(facts.ffmpegFrames, 45);
    AM_SetCaptureFile(0, NewClipPath("after-failure.avi").c_str());
    EXPECT_FALSE(AM_CaptureVideo(0));
}

TEST(VidcoreOpen, NoVideoDeviceChosenGivesFalse)
{
    // With the synthetic devices off there may be no camera at all; with them
    // on, a refused choice keeps a valid one. Either way opening never hangs
    // and never crashes; without a camera it gives false.
    ::unsetenv("VIDCORE_TEST_DEVICES");
    int32_t videos = 0;
    AM_GetDeviceNum(&videos);
    if (videos > 0)
        GTEST_SKIP() << "a real camera is attached";
    EXPECT_FALSE(AM_OpenCaptureWindow(0, 0, 0));
    AM_SetCaptureFile(0, WorkPath("nothing.avi").c_str());
    EXPECT_FALSE(AM_CaptureVideo(0));
    AM_CaptureVideoQuit(0);
}
