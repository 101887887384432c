// SPDX-License-Identifier: GPL-2.0-or-later
// The controller over the real capture library, its synthetic camera and the
// real frame sink, through the application's own per-user frame maps.
#include "SanitizedBuild.h"
#include "camera/CamControllerUnit.h"
#include "camera/Snapwell.h"
#include "filter/frameblock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun RunTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    ToolRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    run.err = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    return run;
}

// The synthetic camera shows SMPTE bars: saturated colour bars in its upper
// two thirds, a strip with black and dark grey fields at the bottom.
bool HasYellow(const QImage& picture, int y)
{
    for (int x = 0; x < picture.width(); ++x) {
        const QRgb pixel = picture.pixel(x, y);
        if (qRed(pixel) > 150 && qGreen(pixel) > 150 && qBlue(pixel) < 80)
            return true;
    }
    return false;
}

double DarkShare(const QImage& picture, int y)
{
    int dark = 0;
    for (int x = 0; x < picture.width(); ++x) {
        const QRgb pixel = picture.pixel(x, y);
        dark += std::max({ qRed(pixel), qGreen(pixel), qBlue(pixel) }) < 60;
    }
    return double(dark) / picture.width();
}

void ExpectUprightBars(const QImage& picture)
{
    const int top = picture.height() / 5;
    const int bottom = picture.height() * 95 / 100;
    EXPECT_TRUE(HasYellow(picture, top));
    EXPECT_LT(DarkShare(picture, top), 0.05);
    EXPECT_FALSE(HasYellow(picture, bottom));
    EXPECT_GT(DarkShare(picture, bottom), 0.15);
}

class CameraIntegration : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The synthetic devices and the sink from this build, whatever the runner passed.
        ::setenv("VIDCORE_TEST_DEVICES", "1", 1);
        ::setenv("GST_PLUGIN_PATH", GLIMVIEW_PLUGIN_DIR, 1);
        ASSERT_TRUE(Folder.isValid());
        ASSERT_TRUE(QDir(Folder.path()).mkdir("Temp"));
        CreateFrameMaps();
        ASSERT_NE(FrameBlock(), nullptr);
        ASSERT_NE(GrabPermission(), nullptr);
        Controller.SetBaseFolder(Folder.path());
        Controller.EnumerateDevices();
        const auto camera = Controller.VideoDevices().indexOf("Vidcore Test Camera");
        const auto microphone = Controller.AudioDevices().indexOf("Vidcore Test Microphone");
        ASSERT_GE(camera, 0);
        ASSERT_GE(microphone, 0);
        Controller.ChooseVideoDevice(static_cast<int32_t>(camera));
        Controller.ChooseAudioDevice(static_cast<int32_t>(microphone));
        ASSERT_TRUE(Controller.OpenCaptureWindow());
    }

    void TearDown() override
    {
        Controller.CloseCaptureWindow();
        CloseFrameMaps();
    }

    // Header words follow the negotiated size before a frame of it is copied.
    bool WaitForFrameSize(int32_t width, int32_t height)
    {
        return QTest::qWaitFor(
            [&] {
                const unsigned char* block = FrameBlock();
                return frameblock::LoadWord(block, frameblock::kWidthOffset) == uint32_t(width)
                    && frameblock::LoadWord(block, frameblock::kHeightOffset) == uint32_t(height)
                    && frameblock::LoadWord(block, frameblock::kFrameReadyOffset) == 1;
            },
            10000);
    }

    QTemporaryDir Folder;
    TCamController Controller;
};

TEST_F(CameraIntegration, SnapshotsAreUprightBitmapsOfTheCameraPicture)
{
    ASSERT_TRUE(WaitForFrameSize(640, 480));
    ASSERT_TRUE(Controller.TakeSnapshot());
    const QString file = Folder.path() + "/Temp/scb.bmp";
    EXPECT_EQ(QFileInfo(file).size(), 921654);
    EXPECT_EQ(
        RunTool("identify", { "-format", "%m %w %h %z %r", file }).out, "BMP3 640 480 8 DirectClass sRGB");
    ASSERT_EQ(Controller.SnapshotImage().size(), QSize(640, 480));
    ExpectUprightBars(Controller.SnapshotImage());
    EXPECT_EQ(frameblock::LoadWord(GrabPermission(), 0), 1u);

    // A smaller size uses the start of the pixel area.
    Controller.SetVideoFormat(0);
    ASSERT_TRUE(WaitForFrameSize(320, 240));
    ASSERT_TRUE(Controller.TakeSnapshot());
    EXPECT_EQ(QFileInfo(file).size(), 230454);
    ASSERT_EQ(Controller.SnapshotImage().size(), QSize(320, 240));
    ExpectUprightBars(Controller.SnapshotImage());

    // The largest size fills the pixel area exactly.
    Controller.SetVideoFormat(5);
    ASSERT_TRUE(WaitForFrameSize(1600, 1200));
    ASSERT_TRUE(Controller.TakeSnapshot());
    EXPECT_EQ(QFileInfo(file).size(), 5760054);
    EXPECT_EQ(RunTool("identify", { "-format", "%w %h", file }).out, "1600 1200");
    ASSERT_EQ(Controller.SnapshotImage().size(), QSize(1600, 1200));
    ExpectUprightBars(Controller.SnapshotImage());
}

TEST_F(CameraIntegration, RecordingWritesAPlayableClipAndFramesFlowAgainAfterIt)
{
    ASSERT_TRUE(WaitForFrameSize(640, 480));
    Controller.SetVideoType(1);
    const QString clip = Folder.path() + "/Temp/clip.wmv";
    ASSERT_TRUE(Controller.StartRecording(clip));
    EXPECT_EQ(frameblock::LoadWord(GrabPermission(), 0), 0u);
    QElapsedTimer recording;
    recording.start();
    std::this_thread::sleep_for(std::chrono::seconds(2)); // the length of the clip
    Controller.StopRecording();
    const double seconds = recording.elapsed() / 1000.0;
    EXPECT_FALSE(Controller.Recording());
    EXPECT_EQ(frameblock::LoadWord(GrabPermission(), 0), 1u);

    const ToolRun probe = RunTool("ffprobe",
        { "-v", "error", "-show_entries", "format=format_name,duration:stream=codec_name", "-of",
            "default=noprint_wrappers=1", clip });
    EXPECT_EQ(probe.exitCode, 0) << probe.err.toStdString();
    EXPECT_TRUE(probe.out.contains("codec_name=wmv2")) << probe.out.toStdString();
    EXPECT_TRUE(probe.out.contains("codec_name=wmav2")) << probe.out.toStdString();
    EXPECT_TRUE(probe.out.contains("format_name=asf")) << probe.out.toStdString();
    const auto durationAt = probe.out.indexOf("duration=");
    ASSERT_GE(durationAt, 0);
    EXPECT_NEAR(probe.out.mid(durationAt + 9).section('\n', 0, 0).toDouble(), seconds,
        glimview_test::Allowance(0.5, 1.5));
    const ToolRun decode = RunTool("ffmpeg", { "-v", "error", "-i", clip, "-f", "null", "-" });
    EXPECT_EQ(decode.exitCode, 0);
    EXPECT_EQ(decode.err, "");

    // Copying resumed: a snapshot after the recording is a new, complete frame.
    ASSERT_TRUE(WaitForFrameSize(640, 480));
    ASSERT_TRUE(Controller.TakeSnapshot());
    ExpectUprightBars(Controller.SnapshotImage());
}

} // namespace
