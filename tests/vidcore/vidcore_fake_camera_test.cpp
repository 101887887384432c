// SPDX-License-Identifier: GPL-2.0-or-later
// The capture library against cameras and microphones as real providers
// report them (the test plugin's fake devices): format choice per size,
// busy and failing devices, unplugging and plugging back, and one entry per
// physical device. Notices arrive on a Qt window, as in the program.
#include "CoreApplication.h"
#include "SanitizedBuild.h"
#include "vidcore.h"
#include "vidcore_notice.h"
#include "vidcore_test_support.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <dlfcn.h>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace vidcore_test;

namespace {

constexpr const char* kUvcCaps
    = "image/jpeg,width=1600,height=1200,framerate=30/1;image/jpeg,width=1280,height=720,framerate=30/1;"
      "image/jpeg,width=640,height=480,framerate=30/1;video/"
      "x-raw,format=YUY2,width=640,height=480,framerate=30/1;"
      "video/x-raw,format=YUY2,width=800,height=600,framerate=20/1;"
      "video/x-raw,format=YUY2,width=1280,height=720,framerate=10/1;"
      "video/x-raw,format=YUY2,width=1600,height=1200,framerate=5/1";
// The common 1080p webcam as v4l2src lists it (raw first, largest first):
// its fast modes are MJPEG at 16:9 sizes, its large raw modes slow.
constexpr const char* k1080pCaps
    = "video/x-raw,format=YUY2,width=2592,height=1944,framerate=2/1;"
      "video/x-raw,format=YUY2,width=1920,height=1080,framerate=5/1;"
      "video/x-raw,format=YUY2,width=1280,height=720,framerate=10/1;"
      "video/x-raw,format=YUY2,width=800,height=600,framerate=20/1;"
      "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1;"
      "image/jpeg,width=1920,height=1080,framerate=30/1;image/jpeg,width=1280,height=720,framerate=30/1";
// A camera only PipeWire offers (libcamera's): NV12, rates as ranges.
constexpr const char* kLibcameraCaps
    = "video/x-raw,format=NV12,width=1920,height=1080,framerate=[ 1/1, 30/1 ];"
      "video/x-raw,format=NV12,width=1280,height=720,framerate=[ 1/1, 30/1 ];"
      "video/x-raw,format=NV12,width=640,height=480,framerate=[ 1/1, 30/1 ]";
constexpr const char* kMicCaps = "audio/x-raw,format=S16LE,rate=48000,channels=2,layout=interleaved";

// The devices of this test process, written before the library starts its
// device monitor. Two providers report the UVC webcam and the headset;
// two cameras share a model name; one camera's firmware hangs after 2.5 s;
// the desktop's default microphone is not the first one its provider lists; a laptop's infrared camera (grey
// pictures only, its name cut short as uvcvideo does) is reported first.
const std::string kDeviceFile = [] {
    const std::string path = WorkPath("fake-devices.ini");
    std::ofstream file(path);
    file
        << "[ir]\nprovider=v4l2\nname=Integrated Camera: Integrated I\npath=/dev/video16\n"
        << "bus-info=usb-0000:00:14.0-9\ncaps=video/x-raw,format=GRAY8,width=640,height=480,framerate=30/1;"
           "video/x-raw,format=GRAY16_LE,width=640,height=480,framerate=15/1\n\n"
        << "[uvc]\nprovider=v4l2\nname=HD Pro Webcam C920\npath=/dev/video0\nbus-info=usb-0000:00:14.0-1\n"
        << "caps=" << kUvcCaps << "\n\n"
        << "[uvc-pw]\nprovider=pipewire\nname=HD Pro Webcam C920 (V4L2)\npath=/dev/video0\n"
        << "bus-info=usb-0000:00:14.0-1\ncaps=" << kUvcCaps << "\n\n"
        << "[mjpeg]\nprovider=v4l2\nname=Twin Cam\npath=/dev/video2\nbus-info=usb-0000:00:14.0-2\n"
        << "caps=image/jpeg,width=1280,height=720,framerate=30/1;image/"
           "jpeg,width=640,height=480,framerate=30/1\n\n"
        << "[twin]\nprovider=v4l2\nname=Twin Cam\npath=/dev/video4\nbus-info=usb-0000:00:14.0-3\n"
        << "caps=video/x-raw,format=YUY2,width=640,height=480,framerate=30/1\n\n"
        << "[busy]\nprovider=v4l2\nname=Busy Cam\npath=/dev/video6\nbus-info=usb-0000:00:14.0-4\n"
        << "caps=video/x-raw,format=YUY2,width=640,height=480,framerate=30/1\nbusy=true\n\n"
        << "[unplug]\nprovider=v4l2\nname=Loose Cam\npath=/dev/video8\nbus-info=usb-0000:00:14.0-5\n"
        << "caps=video/x-raw,format=YUY2,width=640,height=480,framerate=30/1\nunplug-after=60\n\n"
        << "[brief]\nprovider=v4l2\nname=Brief Cam\npath=/dev/video12\nbus-info=usb-0000:00:14.0-7\n"
        << "caps=video/x-raw,format=YUY2,width=640,height=480,framerate=30/1\nunplug-after=40\n\n"
        << "[frozen]\nprovider=v4l2\nname=Frozen Cam\npath=/dev/video14\nbus-info=usb-0000:00:14.0-8\n"
        << "caps=video/x-raw,format=YUY2,width=640,height=480,framerate=30/1\nstall-after=75\n\n"
        << "[webcam1080]\nprovider=v4l2\nname=Full HD Webcam\npath=/dev/video10\n"
        << "bus-info=usb-0000:00:14.0-6\ncaps=" << k1080pCaps << "\n\n"
        << "[libcam]\nprovider=pipewire\nname=Built-in Front Camera\npath=/base/soc/i2c0mux/i2c@1/ov5647@36\n"
        << "internal-name=libcamera_device./base/soc/i2c0mux/i2c@1/ov5647@36\n"
        << "property.device.api=libcamera\nproperty.object.path=libcamera:/base/soc/i2c0mux/i2c@1/ov5647@36\n"
        << "property.api.libcamera.location=front\ncaps=" << kLibcameraCaps << "\n\n"
        << "[builtin-mic]\nprovider=pulse\nname=Built-in Audio\ncaps=" << kMicCaps << "\n\n"
        << "[headset]\nprovider=pulse\nname=USB Headset\ndefault=true\n"
        << "internal-name=alsa_input.usb-headset.analog-stereo\ncaps=" << kMicCaps << "\n\n"
        << "[headset-pw]\nprovider=pipewire\nname=USB Headset\n"
        << "internal-name=alsa_input.usb-headset.analog-stereo\ncaps=" << kMicCaps << "\n\n"
        << "[busy-mic]\nprovider=pulse\nname=Busy Mic\nbusy=true\ncaps=" << kMicCaps << "\n\n"
        << "[failing-mic]\nprovider=pulse\nname=Failing Mic\nfail-after=60\ncaps=" << kMicCaps << "\n";
    ::setenv("FAKECAM_DEVICES", path.c_str(), 1);
    // No sound server: the real PulseAudio provider is installed but cannot
    // connect, as on a machine without one.
    ::setenv("PULSE_SERVER", ("unix:" + WorkPath("no-sound-server")).c_str(), 1);
    return path;
}();

std::vector<std::string> Names(void (*count)(int32_t*), void (*list)(char*, int32_t*))
{
    int32_t n = 0;
    count(&n);
    std::vector<std::string> names;
    for (int32_t i = 0; i < n; ++i) {
        char name[256] = {};
        int32_t device = i;
        list(name, &device);
        names.emplace_back(name);
    }
    return names;
}

int IndexOf(const std::vector<std::string>& names, const std::string& name)
{
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return int(i);
    return -1;
}

// The main window stand-in: remembers every notice it is sent.
class NoticeWindow : public QWidget {
public:
    std::vector<VidcoreNotice> notices;
    bool Got(VidcoreNotice notice) const
    {
        return std::find(notices.begin(), notices.end(), notice) != notices.end();
    }
    bool WaitFor(VidcoreNotice notice, int timeoutMs = 10000)
    {
        return QTest::qWaitFor([&] { return Got(notice); }, timeoutMs);
    }

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == VidcoreNoticeEvent::EventType) {
            notices.push_back(static_cast<VidcoreNoticeEvent*>(event)->notice());
            return true;
        }
        return QWidget::event(event);
    }
};

struct Plugin {
    void (*setPresent)(const char*, gboolean) = nullptr;
    const char* (*negotiatedCaps)(const char*) = nullptr;
};

Plugin LoadPlugin()
{
    Plugin plugin;
    GstPlugin* loaded = gst_plugin_load_by_name("fakecam");
    if (!loaded)
        return plugin;
    // The library GStreamer loaded: opening it again finds the same one.
    void* module = dlopen(gst_plugin_get_filename(loaded), RTLD_NOW | RTLD_NOLOAD);
    gst_object_unref(loaded);
    if (module) {
        plugin.setPresent
            = reinterpret_cast<void (*)(const char*, gboolean)>(dlsym(module, "fakecam_set_present"));
        plugin.negotiatedCaps
            = reinterpret_cast<const char* (*)(const char*)>(dlsym(module, "fakecam_negotiated_caps"));
    }
    return plugin;
}

// Duration of one stream as the last packet ffprobe reads of it ends.
double StreamSeconds(const std::string& clip, const char* stream)
{
    const std::string out = Run(std::string("ffprobe -v error -select_streams ") + stream
        + " -show_entries packet=pts_time,duration_time -of csv=p=0 '" + clip + "' | grep , | tail -n 1");
    double pts = 0;
    double duration = 0;
    std::sscanf(out.c_str(), "%lf,%lf", &pts, &duration);
    return pts + duration;
}

class VidcoreFakeCamera : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        test_support::EnsureApplication<QApplication>();
        gst_init(nullptr, nullptr);
        plugin = LoadPlugin();
    }
    void SetUp() override
    {
        ASSERT_NE(plugin.setPresent, nullptr) << "the fakecam plugin is not on GST_PLUGIN_PATH";
        window = std::make_unique<NoticeWindow>();
        window->winId();
        videos = Names(AM_GetDeviceNum, AM_GetDeviceList);
        audios = Names(AM_GetAudioDeviceNum, AM_GetAudioDeviceList);
    }
    void TearDown() override
    {
        AM_VidCapCloseWindow(0);
        AM_VidCapDestroyWindow(0);
        QCoreApplication::processEvents();
    }

    // Opens the named camera with the named microphone at 640x480, its
    // preview drawn into `view` (0: none).
    bool Open(const std::string& camera, const std::string& microphone = "Built-in Audio", uintptr_t view = 0)
    {
        const int video = IndexOf(videos, camera);
        const int audio = IndexOf(audios, microphone);
        EXPECT_GE(video, 0) << camera;
        EXPECT_GE(audio, 0) << microphone;
        AM_ChooseVideoDevice(video);
        AM_ChooseAudioDevice(audio);
        AM_SetVideoFormat(640, 480);
        return AM_OpenCaptureWindow(window->winId(), view, 0);
    }

    std::string Negotiated(const char* group) const
    {
        const char* caps = plugin.negotiatedCaps ? plugin.negotiatedCaps(group) : nullptr;
        return caps ? caps : "";
    }

    static inline Plugin plugin;
    std::unique_ptr<NoticeWindow> window;
    std::vector<std::string> videos;
    std::vector<std::string> audios;
    FrameMaps maps;
};

} // namespace

TEST_F(VidcoreFakeCamera, OneEntryPerDeviceDistinctNamesDefaultMicrophoneFirst)
{
    // The webcam both providers report is listed once, by its V4L2 name.
    EXPECT_EQ(IndexOf(videos, "HD Pro Webcam C920 (V4L2)"), -1);
    EXPECT_GE(IndexOf(videos, "HD Pro Webcam C920"), 0);
    // Two cameras of one model, told apart in list order.
    const int first = IndexOf(videos, "Twin Cam");
    const int second = IndexOf(videos, "Twin Cam (2)");
    EXPECT_GE(first, 0);
    EXPECT_GT(second, first);
    EXPECT_EQ(videos.back(), "Vidcore Test Camera");
    // The infrared camera comes after every colour camera, so the first one,
    // which the program opens at start, shows colours.
    const int infrared = IndexOf(videos, "Integrated Camera: Integrated I");
    ASSERT_GE(infrared, 0);
    EXPECT_EQ(infrared, int(videos.size()) - 2);
    EXPECT_EQ(videos.front(), "HD Pro Webcam C920");
    AM_ChooseVideoDevice(0);
    AM_SetVideoFormat(640, 480);
    ASSERT_TRUE(AM_OpenCaptureWindow(window->winId(), 0, 0));
    EXPECT_NE(Negotiated("uvc"), "");
    EXPECT_EQ(Negotiated("ir"), "");
    // It stays a camera to choose.
    ASSERT_TRUE(Open("Integrated Camera: Integrated I"));
    EXPECT_NE(Negotiated("ir").find("GRAY8"), std::string::npos) << Negotiated("ir");
    // The default microphone first; the headset once.
    ASSERT_FALSE(audios.empty());
    EXPECT_EQ(audios.front(), "USB Headset");
    EXPECT_EQ(IndexOf(audios, "USB Headset (2)"), -1);
    EXPECT_EQ(audios.back(), "Vidcore Test Microphone");
}

TEST_F(VidcoreFakeCamera, EverySizeIsCapturedNativelyAtAGoodRate)
{
    ASSERT_TRUE(Open("HD Pro Webcam C920"));
    const struct {
        int width, height;
        const char* expected;
    } sizes[] = {
        { 640, 480, "video/x-raw, format=(string)YUY2, width=(int)640, height=(int)480" },
        { 320, 240, "video/x-raw, format=(string)YUY2, width=(int)640, height=(int)480" },
        { 800, 600, "video/x-raw, format=(string)YUY2, width=(int)800, height=(int)600" },
        { 1024, 768, "image/jpeg, width=(int)1600, height=(int)1200" },
        { 1280, 1024, "image/jpeg, width=(int)1600, height=(int)1200" },
        { 1600, 1200, "image/jpeg, width=(int)1600, height=(int)1200" },
    };
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
        AM_SetVideoFormat(size.width, size.height);
        // The block holds the size asked for, scaled from the native frames.
        ASSERT_TRUE(maps.WaitForSize(size.width, size.height));
        EXPECT_TRUE(maps.WaitForNewFrame(maps.FrameChecksum()));
        EXPECT_NE(Negotiated("uvc").find(size.expected), std::string::npos) << Negotiated("uvc");
    }
    // A camera of MJPEG only opens, and its decoded frames reach the block.
    ASSERT_TRUE(Open("Twin Cam"));
    ASSERT_TRUE(maps.WaitForSize(640, 480));
    EXPECT_TRUE(maps.WaitForNewFrame(maps.FrameChecksum()));
    EXPECT_NE(Negotiated("mjpeg").find("image/jpeg, width=(int)640, height=(int)480"), std::string::npos);
    EXPECT_TRUE(window->notices.empty() || !window->Got(VidcoreNotice::CameraFailed));
}

TEST_F(VidcoreFakeCamera, BusyCameraIsRefusedWithItsOwnNotice)
{
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Open("Busy Cam"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ASSERT_TRUE(window->WaitFor(VidcoreNotice::CameraBusy));
    EXPECT_FALSE(window->Got(VidcoreNotice::CameraFailed));
    EXPECT_FALSE(AM_CaptureVideo(0));
    // Another camera opens afterwards.
    EXPECT_TRUE(Open("Twin Cam (2)"));
}

namespace {

// The recording types, the one the program starts with first.
constexpr int kRecordingTypes[] = { 1, 0, 2, 3 };

const char* TypeName(int type)
{
    static const char* const names[] = { "AVI", "ASF", "MP4", "WebM" };
    return names[type];
}

// A clip file named `stem` with the extension of its type; nothing an
// earlier run left is there.
std::string Clip(const std::string& stem, int type)
{
    static const char* const extensions[] = { ".avi", ".wmv", ".mp4", ".webm" };
    return NewClipPath(stem + extensions[type]);
}

} // namespace

TEST_F(VidcoreFakeCamera, UnpluggedWhileRecordingGivesACompleteClipAndComesBack)
{
    for (int type : kRecordingTypes) {
        SCOPED_TRACE(TypeName(type));
        window->notices.clear();
        plugin.setPresent("unplug", TRUE);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return IndexOf(Names(AM_GetDeviceNum, AM_GetDeviceList), "Loose Cam") >= 0; }, 5000));
        videos = Names(AM_GetDeviceNum, AM_GetDeviceList);
        ASSERT_TRUE(Open("Loose Cam", "USB Headset"));
        const std::string clip = Clip("unplugged", type);
        AM_SetVideoType(type);
        AM_SetCaptureFile(0, clip.c_str());
        ASSERT_TRUE(AM_CaptureVideo(0));
        // The camera goes after 60 frames: the application hears of it.
        ASSERT_TRUE(window->WaitFor(VidcoreNotice::CameraFailed));
        ASSERT_TRUE(window->WaitFor(VidcoreNotice::DevicesChanged));
        EXPECT_EQ(IndexOf(Names(AM_GetDeviceNum, AM_GetDeviceList), "Loose Cam"), -1);
        AM_CaptureVideoQuit(0);
        EXPECT_EQ(DescriptorsOpening(clip), 0);
        // The clip is complete up to the loss: it decodes without a word, and
        // its sound is as long as its picture.
        const ClipFacts facts = ExamineClip(clip);
        EXPECT_EQ(facts.ffmpegErrors, "");
        EXPECT_GT(facts.ffmpegFrames, 20);
        EXPECT_FALSE(facts.audioCodec.empty());
        const double video = StreamSeconds(clip, "v:0");
        const double audio = StreamSeconds(clip, "a:0");
        EXPECT_GT(video, 0.5);
        EXPECT_NEAR(audio, video, 1.0);
        // Recording again is refused: there is no camera.
        EXPECT_FALSE(AM_CaptureVideo(0));
    }
    // Plugged back: listed again, and it opens.
    window->notices.clear();
    plugin.setPresent("unplug", TRUE);
    ASSERT_TRUE(window->WaitFor(VidcoreNotice::DevicesChanged));
    videos = Names(AM_GetDeviceNum, AM_GetDeviceList);
    EXPECT_GE(IndexOf(videos, "Loose Cam"), 0);
}

// A camera whose firmware hangs while recording sends neither frames nor an
// error. It is given up as a failed camera once no frame came for the stall
// time (3 s at 30 fps), and the library completes the clip up to its last
// frame by itself. ASF is the type the program starts with; MP4's fragments
// would read as a clip even without its end.
TEST_F(VidcoreFakeCamera, StalledWhileRecordingGivesACompleteClipAndIsToldOnce)
{
    using Seconds = std::chrono::duration<double>;
    for (int type : { 1, 2 }) {
        SCOPED_TRACE(TypeName(type));
        window->notices.clear();
        // The camera stalls 75 frames (2.5 s) after its stream starts.
        ASSERT_TRUE(Open("Frozen Cam", "USB Headset"));
        const auto opened = std::chrono::steady_clock::now();
        const std::string clip = Clip("stalled", type);
        AM_SetVideoType(type);
        AM_SetCaptureFile(0, clip.c_str());
        ASSERT_TRUE(AM_CaptureVideo(0));
        const double recorded = 2.5 - Seconds(std::chrono::steady_clock::now() - opened).count();
        ASSERT_GT(recorded, 0.5) << "the recording started late";
        ASSERT_TRUE(window->WaitFor(VidcoreNotice::CameraFailed, 15000));
        // Not before the stall time, and within a check's interval and a margin after it.
        const double noticed = Seconds(std::chrono::steady_clock::now() - opened).count();
        EXPECT_GT(noticed, 2.5 + 3.0 - 0.3);
        EXPECT_LT(noticed, 2.5 + 3.0 + 1.5);
        // The clip is completed without being asked to stop.
        ASSERT_TRUE(window->WaitFor(VidcoreNotice::RecordingEnded, 5000));
        AM_CaptureVideoQuit(0);
        const ClipFacts facts = ExamineClip(clip);
        EXPECT_EQ(facts.ffmpegErrors, "");
        EXPECT_FALSE(facts.audioCodec.empty());
        const double video = StreamSeconds(clip, "v:0");
        const double audio = StreamSeconds(clip, "a:0");
        EXPECT_NEAR(video, recorded, 0.5);
        EXPECT_GT(facts.duration, 0.5);
        // The sound ends with the picture, not when the stall was noticed.
        EXPECT_NEAR(audio, video, 0.5);
        EXPECT_FALSE(AM_CaptureVideo(0));
        QCoreApplication::processEvents();
        EXPECT_EQ(std::count(window->notices.begin(), window->notices.end(), VidcoreNotice::CameraFailed), 1);
        AM_VidCapCloseWindow(0);
    }
}

TEST_F(VidcoreFakeCamera, BusyOrFailingMicrophoneNeverHarmsThePicture)
{
    for (const char* microphone : { "Busy Mic", "Failing Mic" }) {
        for (int type : kRecordingTypes) {
            SCOPED_TRACE(std::string(microphone) + " " + TypeName(type));
            ASSERT_TRUE(Open("Twin Cam (2)", microphone));
            const std::string clip = Clip(std::string("mic-") + microphone[0], type);
            AM_SetVideoType(type);
            AM_SetCaptureFile(0, clip.c_str());
            const bool started = AM_CaptureVideo(0);
            // The preview and the frame grab go on while it records.
            EXPECT_TRUE(maps.WaitForNewFrame(maps.FrameChecksum()));
            if (started) {
                // Past the failing microphone's 60 buffers.
                QTest::qWait(2500); // the clip's length, not a wait for an event
                AM_CaptureVideoQuit(0);
                // Started again without sound, the recording wrote its file
                // anew from the start and has closed it.
                EXPECT_EQ(DescriptorsOpening(clip), 0);
                const ClipFacts facts = ExamineClip(clip);
                EXPECT_EQ(facts.ffmpegErrors, "");
                EXPECT_GT(facts.ffmpegFrames, 30);
                EXPECT_GT(facts.duration, 1.5);
            } else {
                EXPECT_EQ(DescriptorsOpening(clip), 0);
                EXPECT_NE(::access(clip.c_str(), F_OK), 0) << "a recording that did not start left its file";
            }
            EXPECT_FALSE(window->Got(VidcoreNotice::CameraFailed));
            EXPECT_TRUE(maps.WaitForNewFrame(maps.FrameChecksum()));
        }
    }
}

// The capture reaches PLAYING only once every sink has its first frame, a
// moment after the camera counts as open. A recording started at once, whose
// microphone then fails, must not take the capture down with it.
TEST_F(VidcoreFakeCamera, RecordingAtOnceAfterOpeningWithABusyMicrophoneKeepsThePicture)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        ASSERT_TRUE(Open("Twin Cam (2)", "Busy Mic"));
        const std::string clip = NewClipPath("at-once-" + std::to_string(attempt) + ".avi");
        AM_SetVideoType(0);
        AM_SetCaptureFile(0, clip.c_str());
        ASSERT_TRUE(AM_CaptureVideo(0));
        ASSERT_TRUE(maps.WaitForNewFrame(maps.FrameChecksum()));
        AM_CaptureVideoQuit(0);
        EXPECT_EQ(vidcore_test::Run(
                      "ffprobe -v error -select_streams v:0 -show_entries stream=codec_type -of csv=p=0 '"
                      + clip + "'"),
            "video\n");
        AM_VidCapCloseWindow(0);
    }
}

namespace {

// A small file system of its own (tmpfs; mounting needs root, as CI has).
class FullDisk {
public:
    explicit FullDisk(const std::string& folder, const char* size)
        : folder_(folder)
    {
        Run("mkdir -p '" + folder + "'");
        mounted_ = Run("mount -t tmpfs -o size=" + std::string(size) + " glimview-test '" + folder
                       + "' 2>&1; echo $?")
            == "0\n";
    }
    ~FullDisk()
    {
        if (mounted_)
            Run("umount -l '" + folder_ + "'");
    }
    bool Mounted() const { return mounted_; }

private:
    std::string folder_;
    bool mounted_ = false;
};

} // namespace

TEST_F(VidcoreFakeCamera, FullDiskEndsTheRecordingWithItsOwnNotice)
{
    // Small enough for the compressed types to fill it in seconds: the fake
    // camera's picture compresses to a few dozen kB a second.
    FullDisk disk(WorkPath("small-disk"), "192k");
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a small tmpfs here (not root?)";
    for (int type : kRecordingTypes) {
        SCOPED_TRACE(TypeName(type));
        window->notices.clear();
        ASSERT_TRUE(Open("Twin Cam (2)", "USB Headset"));
        const std::string clip = Clip("small-disk/full", type);
        AM_SetVideoType(type);
        AM_SetCaptureFile(0, clip.c_str());
        ASSERT_TRUE(AM_CaptureVideo(0));
        // Raw video fills it at once, the compressed types in a second or two.
        ASSERT_TRUE(window->WaitFor(VidcoreNotice::RecordingFailed, 20000));
        // The picture goes on, and stopping returns at once.
        EXPECT_TRUE(maps.WaitForNewFrame(maps.FrameChecksum()));
        const auto start = std::chrono::steady_clock::now();
        AM_CaptureVideoQuit(0);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        EXPECT_FALSE(window->Got(VidcoreNotice::CameraFailed));
        EXPECT_EQ(DescriptorsOpening(clip), 0);
        std::remove(clip.c_str());
    }
}

namespace {

struct Mode {
    int width = 0;
    int height = 0;
    double rate = 0;
};

Mode ModeOf(const std::string& caps)
{
    Mode mode;
    GstCaps* parsed = gst_caps_from_string(caps.c_str());
    if (!parsed || gst_caps_is_empty(parsed)) {
        if (parsed)
            gst_caps_unref(parsed);
        return mode;
    }
    const GstStructure* s = gst_caps_get_structure(parsed, 0);
    int num = 0;
    int den = 1;
    gst_structure_get_int(s, "width", &mode.width);
    gst_structure_get_int(s, "height", &mode.height);
    if (gst_structure_get_fraction(s, "framerate", &num, &den) && den)
        mode.rate = double(num) / den;
    gst_caps_unref(parsed);
    return mode;
}

bool RowIsBlack(const FrameMaps& maps, int row)
{
    const unsigned char* pixel = maps.pixels() + size_t(row) * maps.Width() * 3;
    for (int i = 0; i < maps.Width() * 3; ++i)
        if (pixel[i] != 0)
            return false;
    return true;
}

// Rows of pure black (0,0,0) at the bottom and the top of the block.
std::pair<int, int> BlackBars(const FrameMaps& maps)
{
    const int height = maps.Height();
    int first = 0;
    while (first < height && RowIsBlack(maps, first))
        ++first;
    int last = 0;
    while (last < height && RowIsBlack(maps, height - 1 - last))
        ++last;
    return { first, last };
}

} // namespace

// Cameras whose large modes are slow, and one only PipeWire offers: every
// size is captured from a mode of 15 fps or more, and a picture of another
// shape keeps it, with black bars.
TEST_F(VidcoreFakeCamera, FastModesAtEverySizeKeepTheShapeWithBlackBars)
{
    const struct {
        const char* name;
        const char* group;
    } cameras[] = { { "Full HD Webcam", "webcam1080" }, { "Built-in Front Camera", "libcam" } };
    const int sizes[][2]
        = { { 320, 240 }, { 640, 480 }, { 800, 600 }, { 1024, 768 }, { 1280, 1024 }, { 1600, 1200 } };
    for (const auto& camera : cameras) {
        ASSERT_TRUE(Open(camera.name)) << camera.name;
        for (const auto& size : sizes) {
            const int width = size[0];
            const int height = size[1];
            SCOPED_TRACE(
                std::string(camera.name) + " at " + std::to_string(width) + "x" + std::to_string(height));
            AM_SetVideoFormat(width, height);
            ASSERT_TRUE(maps.WaitForSize(width, height));
            ASSERT_TRUE(maps.WaitForNewFrame(maps.FrameChecksum()));
            const Mode mode = ModeOf(Negotiated(camera.group));
            ASSERT_GT(mode.width, 0) << Negotiated(camera.group);
            EXPECT_GE(mode.rate, 15.0) << Negotiated(camera.group);
            // The picture fills the width; its height is the camera's shape.
            const int picture = int(std::lround(double(width) * mode.height / mode.width));
            const int bar = picture < height ? (height - picture) / 2 : 0;
            const auto [bottom, top] = BlackBars(maps);
            EXPECT_NEAR(bottom, bar, 2) << Negotiated(camera.group);
            EXPECT_NEAR(top, bar, 2) << Negotiated(camera.group);
        }
    }
    EXPECT_FALSE(window->Got(VidcoreNotice::CameraFailed));
}

// A display no window sink can draw on: the frame grab goes on, the
// application hears once that the picture cannot be shown, and never that
// the camera failed.
TEST_F(VidcoreFakeCamera, ADisplayNoSinkCanDrawOnIsNeverTheCamerasFault)
{
    ::setenv("DISPLAY", ":64999", 1); // no such server
    QWidget view;
    ASSERT_TRUE(Open("Full HD Webcam", "Built-in Audio", uintptr_t(view.winId())));
    ASSERT_TRUE(maps.WaitForSize(640, 480));
    EXPECT_TRUE(maps.WaitForNewFrame(maps.FrameChecksum()));
    EXPECT_TRUE(window->WaitFor(VidcoreNotice::DisplayFailed));
    // Another mode of the camera: opened anew, without a sink to try.
    AM_SetVideoFormat(1600, 1200);
    ASSERT_TRUE(maps.WaitForSize(1600, 1200));
    EXPECT_TRUE(maps.WaitForNewFrame(maps.FrameChecksum()));
    // Recording goes on too.
    const std::string clip = NewClipPath("no-display.avi");
    AM_SetVideoType(0);
    AM_SetCaptureFile(0, clip.c_str());
    ASSERT_TRUE(AM_CaptureVideo(0));
    EXPECT_TRUE(maps.WaitForNewFrame(maps.FrameChecksum()));
    AM_CaptureVideoQuit(0);
    EXPECT_GT(ExamineClip(clip).ffmpegFrames, 0);
    QCoreApplication::processEvents();
    ::unsetenv("DISPLAY");
    EXPECT_EQ(std::count(window->notices.begin(), window->notices.end(), VidcoreNotice::DisplayFailed), 1);
    EXPECT_FALSE(window->Got(VidcoreNotice::CameraFailed));
    EXPECT_FALSE(window->Got(VidcoreNotice::CameraBusy));
}

namespace {

// A plain X window for the preview to draw into, on its own connection.
class XWindow {
public:
    explicit XWindow(const std::string& display)
        : connection_(xcb_connect(display.c_str(), nullptr))
    {
        if (xcb_connection_has_error(connection_))
            return;
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        id_ = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, id_, screen->root, 0, 0, 320, 240, 0,
            XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(connection_, id_);
        Sync();
    }
    ~XWindow() { xcb_disconnect(connection_); }
    uint32_t id() const { return id_; }

private:
    void Sync()
    {
        std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }
    xcb_connection_t* connection_;
    uint32_t id_ = 0;
};

} // namespace

// Listing the devices and hearing of hot-plugs cost nothing that stays: the
// real PulseAudio provider, which cannot reach a sound server, is not asked
// again at every listing.
TEST_F(VidcoreFakeCamera, ListingsAndHotPlugsHoldNoDescriptorsOrThreads)
{
    g_autoptr(GstDeviceProviderFactory) pulse = gst_device_provider_factory_find("pulsedeviceprovider");
    ASSERT_NE(pulse, nullptr) << "the PulseAudio plugin is not installed";
    // An opening names the window the notices go to.
    ASSERT_TRUE(Open("Twin Cam (2)"));
    AM_VidCapCloseWindow(0);
    const int descriptors = OpenDescriptors();
    const int threads = SettledThreads();
    for (int listing = 0; listing < 100; ++listing) {
        Names(AM_GetDeviceNum, AM_GetDeviceList);
        Names(AM_GetAudioDeviceNum, AM_GetAudioDeviceList);
    }
    const int afterListings = OpenDescriptors();
    for (int event = 0; event < 100; ++event) {
        window->notices.clear();
        plugin.setPresent("unplug", event % 2 == 1);
        ASSERT_TRUE(window->WaitFor(VidcoreNotice::DevicesChanged));
        // What the program does on the notice.
        const bool listed = IndexOf(Names(AM_GetDeviceNum, AM_GetDeviceList), "Loose Cam") >= 0;
        ASSERT_EQ(listed, event % 2 == 1) << event;
        Names(AM_GetAudioDeviceNum, AM_GetAudioDeviceList);
    }
    std::printf("descriptors %d, %d after 100 listings, %d after 100 hot-plugs; threads %d, %d\n",
        descriptors, afterListings, OpenDescriptors(), threads, Threads());
    EXPECT_LE(afterListings, descriptors);
    EXPECT_LE(OpenDescriptors(), descriptors);
    EXPECT_TRUE(ThreadsSettleAtMost(threads)) << threads << " before: " << ThreadNames();
}

// A camera lost while recording, with the picture in a real X window: its
// capture gives back its OpenGL context, threads and memory when closed.
TEST_F(VidcoreFakeCamera, CamerasLostWhileRecordingLeaveNoThreadsBehind)
{
    XvfbServer server(1024, 768);
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
    ::setenv("DISPLAY", server.display().c_str(), 1);
    XWindow view(server.display());
    ASSERT_NE(view.id(), 0u);
    const auto loseWhileRecording = [&](int round) {
        window->notices.clear();
        plugin.setPresent("brief", TRUE);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return IndexOf(Names(AM_GetDeviceNum, AM_GetDeviceList), "Brief Cam") >= 0; }, 5000));
        videos = Names(AM_GetDeviceNum, AM_GetDeviceList);
        AM_ChooseVideoDevice(IndexOf(videos, "Brief Cam"));
        AM_ChooseAudioDevice(IndexOf(audios, "USB Headset"));
        AM_SetVideoFormat(640, 480);
        ASSERT_TRUE(AM_OpenCaptureWindow(window->winId(), view.id(), 0));
        AM_SetVideoType(round % 2);
        const std::string clip = NewClipPath(round % 2 ? "lost.wmv" : "lost.avi");
        AM_SetCaptureFile(0, clip.c_str());
        ASSERT_TRUE(AM_CaptureVideo(0));
        ASSERT_TRUE(window->WaitFor(VidcoreNotice::CameraFailed));
        AM_CaptureVideoQuit(0);
        EXPECT_EQ(DescriptorsOpening(clip), 0);
        AM_VidCapCloseWindow(0);
    };
    // The first round loads the plugins and the OpenGL driver for good.
    loseWhileRecording(0);
    if (HasFatalFailure())
        return;
    const int threads = SettledThreads();
    const int descriptors = OpenDescriptors();
    const long resident = ResidentKilobytes();
    for (int round = 1; round <= 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        loseWhileRecording(round);
        if (HasFatalFailure())
            return;
        std::printf("round %d: threads %d, descriptors %d, resident %ld KiB\n", round, Threads(),
            OpenDescriptors(), ResidentKilobytes());
    }
    // A leaked capture holds about six threads and two descriptors.
    EXPECT_TRUE(ThreadsSettleAtMost(threads)) << threads << " before: " << ThreadNames();
    std::printf("threads %d before, %d after: %s\n", threads, Threads(), ThreadNames().c_str());
    EXPECT_LE(OpenDescriptors(), descriptors);
    // Memory comes back too: a leaked capture holds 8 to 16 MB, and freed
    // memory left in the threads' arenas grew by about 2.5 MB a reopening.
    std::printf("resident %ld KiB before, %ld KiB after\n", resident, ResidentKilobytes());
    // AddressSanitizer's quarantine keeps what is freed: no measure there.
    if (!glimview_test::kSanitizedBuild) {
        EXPECT_LT(ResidentKilobytes() - resident, 30 * 1024);
    }
}
