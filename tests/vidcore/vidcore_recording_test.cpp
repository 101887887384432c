// SPDX-License-Identifier: GPL-2.0-or-later
// Recordings made while the preview runs, read back by ffprobe, ffmpeg and
// GStreamer.
#include "SanitizedBuild.h"
#include "vidcore.h"
#include "vidcore_test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

using namespace vidcore_test;

namespace {

constexpr double kFramesPerSecond = 30.0; // the synthetic camera's rate

class VidcoreRecording : public ::testing::Test {
protected:
    void SetUp() override
    {
        ChooseSyntheticDevices();
        AM_SetVideoFormat(640, 480); // a test before may have left another size
        ASSERT_TRUE(AM_OpenCaptureWindow(0, 0, 0));
        ASSERT_TRUE(maps.WaitForSize(640, 480));
    }
    void TearDown() override
    {
        AM_VidCapCloseWindow(0);
        AM_VidCapDestroyWindow(0);
    }

    // Records for `length` and returns the time from start to stop as the
    // caller saw it.
    double Record(const std::string& file, int type, std::chrono::milliseconds length)
    {
        AM_SetVideoType(type);
        AM_SetCaptureFile(0, file.c_str());
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(AM_CaptureVideo(0));
        std::this_thread::sleep_for(length); // the clip's length, not a wait for an event
        const auto stop = std::chrono::steady_clock::now();
        AM_CaptureVideoQuit(0);
        return std::chrono::duration<double>(stop - start).count();
    }

    // The preview and the frame grab go on.
    void ExpectFramesFlow() { EXPECT_TRUE(maps.WaitForNewFrame(maps.FrameChecksum())); }

    void ExpectPlayable(const ClipFacts& facts, double seconds)
    {
        EXPECT_EQ(facts.ffmpegErrors, "");
        EXPECT_NEAR(facts.duration, seconds, glimview_test::Allowance(0.5, 1.5));
        EXPECT_NEAR(double(facts.ffmpegFrames), seconds * kFramesPerSecond,
            seconds * kFramesPerSecond * glimview_test::Allowance(0.2, 0.5));
        EXPECT_NEAR(double(facts.gstreamerFrames), double(facts.ffmpegFrames), 2.0);
    }

    struct Kind {
        const char* format;
        const char* video;
        const char* audio;
        const char* pixelFormat;
        const char* profile = ""; // ffprobe names none for most of these codecs
    };
    // A four-second clip of the type, as the readers see it: its codecs, its
    // length within 0.3 s and nine frames in ten at least.
    void ExpectClip(const char* name, int type, const Kind& kind)
    {
        const std::string clip = NewClipPath(name);
        const double seconds = Record(clip, type, std::chrono::seconds(4));
        // The recording has closed its file.
        EXPECT_EQ(DescriptorsOpening(clip), 0);
        const ClipFacts facts = ExamineClip(clip);
        EXPECT_EQ(facts.format, kind.format);
        EXPECT_EQ(facts.videoCodec, kind.video);
        EXPECT_EQ(facts.audioCodec, kind.audio);
        EXPECT_EQ(facts.pixelFormat, kind.pixelFormat);
        if (*kind.profile) {
            EXPECT_EQ(facts.videoProfile, kind.profile);
        }
        EXPECT_EQ(facts.ffmpegErrors, "");
        EXPECT_NEAR(facts.duration, seconds, glimview_test::Allowance(0.3, 1.5));
        EXPECT_GE(
            double(facts.ffmpegFrames), seconds * kFramesPerSecond * glimview_test::Allowance(0.9, 0.5));
        EXPECT_LE(double(facts.ffmpegFrames), (seconds + 0.3) * kFramesPerSecond);
        EXPECT_NEAR(double(facts.gstreamerFrames), double(facts.ffmpegFrames), 2.0);
        ExpectFramesFlow();
    }

    FrameMaps maps;
};

} // namespace

TEST_F(VidcoreRecording, AsfClipWithWmv2AndWma2)
{
    ExpectClip("clip.wmv", 1, { "asf", "wmv2", "wmav2", "yuv420p" });
}

TEST_F(VidcoreRecording, UncompressedAviClip)
{
    ExpectClip("clip.avi", 0, { "avi", "rawvideo", "pcm_s16le", "bgr24" });
}

// 4:2:0 at High profile at most: the H.264 that browsers and phones play.
TEST_F(VidcoreRecording, Mp4ClipWithH264AndAac)
{
    ExpectClip("clip.mp4", 2, { "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac", "yuv420p", "High" });
}

TEST_F(VidcoreRecording, WebmClipWithVp8AndOpus)
{
    ExpectClip("clip.webm", 3, { "matroska,webm", "vp8", "opus", "yuv420p" });
}

TEST_F(VidcoreRecording, TwoRecordingsInARowBothPlay)
{
    const std::string first = NewClipPath("first.wmv");
    const std::string second = NewClipPath("second.wmv");
    const double firstSeconds = Record(first, 1, std::chrono::milliseconds(1500));
    ExpectFramesFlow();
    AM_SetVideoFormat(320, 240);
    ASSERT_TRUE(maps.WaitForSize(320, 240));
    const double secondSeconds = Record(second, 1, std::chrono::milliseconds(1500));
    ExpectFramesFlow();
    const ClipFacts firstFacts = ExamineClip(first);
    const ClipFacts secondFacts = ExamineClip(second);
    ExpectPlayable(firstFacts, firstSeconds);
    ExpectPlayable(secondFacts, secondSeconds);
    EXPECT_EQ(vidcore_test::Run(
                  "ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 '"
                  + second + "'"),
        "320,240\n");
}

// A recording creates its file: a missing folder, or any name already taken
// (a symbolic link planted there, dangling or not, or a file) fails the
// start, and nothing is written, through a link or over a file.
TEST_F(VidcoreRecording, MissingFolderOrTakenNameFailsAndThePreviewGoesOn)
{
    const auto refused = [&](const std::string& clip) {
        AM_SetVideoType(1);
        AM_SetCaptureFile(0, clip.c_str());
        EXPECT_FALSE(AM_CaptureVideo(0)) << clip;
        ExpectFramesFlow();
        AM_CaptureVideoQuit(0); // nothing records: harmless
    };
    const auto contents = [](const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    const auto isLink = [](const std::string& path) {
        struct stat info { };
        return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
    };
    // A first clip loads what recording needs for good; the descriptors are
    // counted after it.
    const std::string first = NewClipPath("first-good.wmv");
    const double firstSeconds = Record(first, 1, std::chrono::seconds(1));
    ExpectPlayable(ExamineClip(first), firstSeconds);
    EXPECT_EQ(DescriptorsOpening(first), 0);
    const int descriptors = OpenDescriptors();

    refused(WorkPath("no-such-folder/clip.wmv"));

    const std::string precious = NewClipPath("precious.txt");
    const std::string text = "not a clip: the recording must never reach this file\n";
    std::ofstream(precious, std::ios::binary) << text;
    const std::string linked = NewClipPath("linked.wmv");
    ASSERT_EQ(::symlink(precious.c_str(), linked.c_str()), 0);
    refused(linked);
    EXPECT_TRUE(isLink(linked));
    // Compared whole, not printed: a failure would print a clip.
    EXPECT_TRUE(contents(precious) == text) << "the file behind the link was written";

    const std::string dangling = NewClipPath("dangling.wmv");
    const std::string nowhere = NewClipPath("made-through-a-link.wmv");
    ASSERT_EQ(::symlink(nowhere.c_str(), dangling.c_str()), 0);
    refused(dangling);
    EXPECT_TRUE(isLink(dangling));
    EXPECT_NE(::access(nowhere.c_str(), F_OK), 0) << "a file was made through the link";

    const std::string taken = NewClipPath("taken.wmv");
    std::ofstream(taken, std::ios::binary) << text;
    refused(taken);
    EXPECT_TRUE(contents(taken) == text) << "the file at the name was written over";
    EXPECT_EQ(OpenDescriptors(), descriptors);

    // The next recording to a good place works, and leaves no descriptor open.
    const std::string good = NewClipPath("good.wmv");
    const double seconds = Record(good, 1, std::chrono::seconds(1));
    ExpectPlayable(ExamineClip(good), seconds);
    EXPECT_EQ(DescriptorsOpening(good), 0);
    EXPECT_LE(OpenDescriptors(), descriptors);
}

TEST_F(VidcoreRecording, QuitWhenIdleIsHarmless)
{
    AM_CaptureVideoQuit(0);
    AM_CaptureVideoQuit(0);
    ExpectFramesFlow();
    AM_VidCapCloseWindow(0);
    AM_CaptureVideoQuit(0); // closed as well
    AM_SetCaptureFile(0, WorkPath("closed.wmv").c_str());
    EXPECT_FALSE(AM_CaptureVideo(0));
}

TEST_F(VidcoreRecording, CloseWhileRecordingCompletesTheFile)
{
    const std::string clip = NewClipPath("closed-early.avi");
    AM_SetVideoType(0);
    AM_SetCaptureFile(0, clip.c_str());
    ASSERT_TRUE(AM_CaptureVideo(0));
    ASSERT_TRUE(maps.WaitForNewFrame(maps.FrameChecksum()));
    AM_VidCapCloseWindow(0);
    const ClipFacts facts = ExamineClip(clip);
    EXPECT_EQ(facts.ffmpegErrors, "");
    EXPECT_GT(facts.ffmpegFrames, 0);
}

TEST_F(VidcoreRecording, StopRightAfterStartStillGivesAPlayableFile)
{
    // The start-up's warm-up recording stops at once: every type must still
    // write a file that the readers open without an error.
    for (const auto& [name, type] : { std::pair { "instant.wmv", 1 }, std::pair { "instant.avi", 0 },
             std::pair { "instant.mp4", 2 }, std::pair { "instant.webm", 3 } }) {
        const std::string clip = NewClipPath(name);
        AM_SetVideoType(type);
        AM_SetCaptureFile(0, clip.c_str());
        ASSERT_TRUE(AM_CaptureVideo(0));
        EXPECT_EQ(DescriptorsOpening(clip), 1) << name;
        AM_CaptureVideoQuit(0);
        EXPECT_EQ(DescriptorsOpening(clip), 0) << name;
        const ClipFacts facts = ExamineClip(clip);
        EXPECT_EQ(facts.ffmpegErrors, "") << name;
        EXPECT_GE(facts.ffmpegFrames, 1) << name;
        // An audio stream without a single packet makes GStreamer's readers hang.
        const std::string audioPackets
            = vidcore_test::Run("ffprobe -v error -count_packets -select_streams a:0 -show_entries "
                                "stream=nb_read_packets -of csv=p=0 "
                + clip);
        EXPECT_GE(std::atol(audioPackets.c_str()), 1) << name;
        ExpectFramesFlow();
    }
}
