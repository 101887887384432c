// SPDX-License-Identifier: GPL-2.0-or-later
// The fakecam plugin through real pipelines and a real device monitor: what
// the providers list, how the camera negotiates and streams, how devices
// fail and come and go, and the microphone's tone.
#include <gmodule.h>
#include <gst/app/gstappsink.h>
#include <gst/audio/audio.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr char kUvcCaps[] = "image/jpeg,width=1600,height=1200,framerate=30/1;"
                            "image/jpeg,width=1280,height=720,framerate=30/1;"
                            "image/jpeg,width=640,height=480,framerate=30/1;"
                            "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1;"
                            "video/x-raw,format=YUY2,width=800,height=600,framerate=20/1;"
                            "video/x-raw,format=YUY2,width=1280,height=720,framerate=10/1;"
                            "video/x-raw,format=YUY2,width=1600,height=1200,framerate=5/1";

constexpr char kMicCaps[] = "audio/x-raw,format=S16LE,rate=48000,channels=2,layout=interleaved";

std::string Devices()
{
    return std::string("[uvc]\nprovider=v4l2\nname=HD Pro Webcam C920\npath=/dev/video0\n"
                       "bus-info=usb-0000:00:14.0-1\ncaps=")
        + kUvcCaps
        + "\n\n[uvc-pw]\nprovider=pipewire\nname=HD Pro Webcam C920\npath=/dev/video0\n"
          "bus-info=usb-0000:00:14.0-1\ncaps="
        + kUvcCaps
        + "\n\n[formats]\nprovider=v4l2\nname=Raw Camera\npath=/dev/video2\n"
          "caps=video/x-raw,format={NV12,I420,BGR,RGB},width=320,height=240,framerate=30/1\n"
          "\n[busycam]\nprovider=v4l2\nname=Busy "
          "Camera\npath=/dev/video4\nbusy=true\ncaps=image/jpeg,width=640,"
          "height=480,framerate=30/1\n"
          "\n[failing]\nprovider=v4l2\nname=Failing Camera\npath=/dev/video6\nfail-after=5\n"
          "caps=image/jpeg,width=640,height=480,framerate=30/1\n"
          "\n[dying]\nprovider=v4l2\nname=Dying Camera\npath=/dev/video8\nunplug-after=5\n"
          "caps=image/jpeg,width=640,height=480,framerate=30/1\n"
          "\n[dying-pw]\nprovider=pipewire\nname=Dying Camera\npath=/dev/video8\n"
          "caps=image/jpeg,width=640,height=480,framerate=30/1\n"
          "\n[unplugged]\nprovider=v4l2\nname=Unplugged Camera\npresent=false\n"
          "caps=image/jpeg,width=640,height=480,framerate=30/1\n"
          "\n[mic]\nprovider=pulse\nname=HD Pro Webcam C920 Analog Stereo\ndefault=true\ncaps="
        + kMicCaps
        + "\n\n[mic2]\nprovider=pulse\nname=Built-in Audio Analog Stereo\nbusy=true\nfail-after=3\ncaps="
        + kMicCaps
        + "\n\n[pwmic]\nprovider=pipewire\nclass=Audio/Source\nname=USB Microphone\ncaps=" + kMicCaps + "\n";
}

std::string DevicesPath()
{
    g_autofree gchar* cwd = g_get_current_dir();
    return std::string(cwd) + "/devices.ini";
}

// Whole-file replacement, as a test should write it: a watcher never sees
// half a file.
void WriteDevices(const std::string& text)
{
    ASSERT_TRUE(g_file_set_contents(DevicesPath().c_str(), text.c_str(), -1, nullptr));
}

// The plugin's two functions for tests, found in the loaded plugin.
struct Control {
    void (*setPresent)(const char*, gboolean) = nullptr;
    void (*reload)() = nullptr;
};

Control LoadControl()
{
    Control control;
    GstPlugin* plugin = gst_plugin_load_by_name("fakecam");
    if (!plugin)
        return control;
    GModule* module = g_module_open(gst_plugin_get_filename(plugin), G_MODULE_BIND_LOCAL);
    gst_object_unref(plugin);
    if (!module)
        return control;
    g_module_symbol(module, "fakecam_set_present", reinterpret_cast<gpointer*>(&control.setPresent));
    g_module_symbol(module, "fakecam_reload", reinterpret_cast<gpointer*>(&control.reload));
    return control;
}

class Pipeline {
public:
    explicit Pipeline(const char* description)
    {
        g_autoptr(GError) error = nullptr;
        element_ = gst_parse_launch(description, &error);
        EXPECT_EQ(error, nullptr) << (error ? error->message : "");
        bus_ = element_ ? gst_element_get_bus(element_) : nullptr;
    }
    ~Pipeline()
    {
        if (element_) {
            gst_element_set_state(element_, GST_STATE_NULL);
            gst_object_unref(bus_);
            gst_object_unref(element_);
        }
    }
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    GstElement* get() const { return element_; }
    GstElement* ByName(const char* name) const { return gst_bin_get_by_name(GST_BIN(element_), name); }
    GstStateChangeReturn Play() const { return gst_element_set_state(element_, GST_STATE_PLAYING); }

    // The next error on the bus, or nullptr when none comes in time.
    GstMessage* WaitForError(std::chrono::milliseconds timeout = 3s) const
    {
        return gst_bus_timed_pop_filtered(bus_, timeout.count() * GST_MSECOND, GST_MESSAGE_ERROR);
    }

private:
    GstElement* element_ = nullptr;
    GstBus* bus_ = nullptr;
};

struct ErrorFacts {
    GQuark domain = 0;
    int code = -1;
    std::string text;
};

ErrorFacts ParseError(GstMessage* message)
{
    ErrorFacts facts;
    if (!message)
        return facts;
    g_autoptr(GError) error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    facts.domain = error->domain;
    facts.code = error->code;
    facts.text = error->message;
    gst_message_unref(message);
    return facts;
}

std::vector<GstSample*> PullSamples(GstElement* sink, int count, std::chrono::milliseconds timeout = 3s)
{
    std::vector<GstSample*> samples;
    for (int i = 0; i < count; ++i) {
        GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), timeout.count() * GST_MSECOND);
        if (!sample)
            break;
        samples.push_back(sample);
    }
    return samples;
}

void FreeSamples(std::vector<GstSample*>& samples)
{
    for (GstSample* sample : samples)
        gst_sample_unref(sample);
    samples.clear();
}

std::string PropertyString(GstDevice* device, const char* key)
{
    g_autoptr(GstStructure) props = gst_device_get_properties(device);
    const char* value = props ? gst_structure_get_string(props, key) : nullptr;
    return value ? value : "";
}

// The listed device of one provider with this display name, or nullptr.
GstDevice* FindDevice(GList* devices, const char* typeName, const char* displayName)
{
    for (GList* item = devices; item; item = item->next) {
        GstDevice* device = GST_DEVICE(item->data);
        g_autofree gchar* name = gst_device_get_display_name(device);
        if (g_strcmp0(G_OBJECT_TYPE_NAME(device), typeName) == 0 && g_strcmp0(name, displayName) == 0)
            return device;
    }
    return nullptr;
}

// Waits on a started monitor's bus for a device message about `displayName`.
// Device messages are "extended" types, which a type mask cannot tell apart,
// so the type is checked here. The deadline is generous: a busy machine
// (the suite runs two at a time) may take seconds to hand a message over.
bool WaitForDeviceMessage(GstDeviceMonitor* monitor, GstMessageType type, const char* displayName,
    std::chrono::milliseconds timeout = 10s)
{
    g_autoptr(GstBus) bus = gst_device_monitor_get_bus(monitor);
    const gint64 deadline = g_get_monotonic_time() + std::chrono::microseconds(timeout).count();
    for (;;) {
        const gint64 left = MAX(0, deadline - g_get_monotonic_time());
        GstMessage* message = gst_bus_timed_pop_filtered(bus, left * GST_USECOND, type);
        if (!message)
            return false;
        bool matches = false;
        if (GST_MESSAGE_TYPE(message) == type) {
            GstDevice* device = nullptr;
            if (type == GST_MESSAGE_DEVICE_ADDED)
                gst_message_parse_device_added(message, &device);
            else
                gst_message_parse_device_removed(message, &device);
            g_autofree gchar* name = gst_device_get_display_name(device);
            matches = g_strcmp0(name, displayName) == 0;
            gst_object_unref(device);
        }
        gst_message_unref(message);
        if (matches)
            return true;
    }
}

class FakecamTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        gst_init(nullptr, nullptr);
        g_setenv("FAKECAM_DEVICES", DevicesPath().c_str(), TRUE);
    }

    void SetUp() override
    {
        WriteDevices(Devices());
        control_ = LoadControl();
        ASSERT_NE(control_.setPresent, nullptr);
        ASSERT_NE(control_.reload, nullptr);
        control_.reload();
    }

    Control control_;
};

TEST_F(FakecamTest, ProvidersListTheDevicesAsTheRealProvidersDo)
{
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    gst_device_monitor_add_filter(monitor, "Audio/Source", nullptr);
    GList* devices = gst_device_monitor_get_devices(monitor);

    // The typical UVC camera, through video4linux2.
    GstDevice* uvc = FindDevice(devices, "GstFakeV4l2Device", "HD Pro Webcam C920");
    ASSERT_NE(uvc, nullptr);
    EXPECT_TRUE(gst_device_has_classes(uvc, "Video/Source"));
    EXPECT_EQ(PropertyString(uvc, "device.path"), "/dev/video0");
    EXPECT_EQ(PropertyString(uvc, "device.api"), "v4l2");
    EXPECT_EQ(PropertyString(uvc, "v4l2.device.bus_info"), "usb-0000:00:14.0-1");
    EXPECT_EQ(PropertyString(uvc, "v4l2.device.driver"), "uvcvideo");
    EXPECT_EQ(PropertyString(uvc, "v4l2.device.card"), "HD Pro Webcam C920");
    g_autofree gchar* devicePath = nullptr;
    g_object_get(uvc, "device-path", &devicePath, nullptr);
    EXPECT_STREQ(devicePath, "/dev/video0");
    // All formats, in the device's order.
    g_autoptr(GstCaps) uvcCaps = gst_device_get_caps(uvc);
    g_autoptr(GstCaps) expectedCaps = gst_caps_from_string(kUvcCaps);
    EXPECT_TRUE(gst_caps_is_strictly_equal(uvcCaps, expectedCaps)) << gst_caps_to_string(uvcCaps);
    g_autoptr(GstElement) source = gst_device_create_element(uvc, nullptr);
    ASSERT_NE(source, nullptr);
    g_autofree gchar* group = nullptr;
    g_object_get(source, "device", &group, nullptr);
    EXPECT_STREQ(G_OBJECT_TYPE_NAME(source), "GstFakecamSrc");
    EXPECT_STREQ(group, "uvc");

    // The same camera again, through PipeWire.
    GstDevice* node = FindDevice(devices, "GstFakePipeWireDevice", "HD Pro Webcam C920");
    ASSERT_NE(node, nullptr);
    EXPECT_TRUE(gst_device_has_classes(node, "Video/Source"));
    EXPECT_EQ(PropertyString(node, "api.v4l2.path"), "/dev/video0");
    EXPECT_EQ(PropertyString(node, "object.path"), "v4l2:/dev/video0");
    EXPECT_EQ(PropertyString(node, "node.description"), "HD Pro Webcam C920");
    EXPECT_EQ(PropertyString(node, "device.api"), "v4l2");
    EXPECT_EQ(PropertyString(node, "api.v4l2.cap.bus_info"), "usb-0000:00:14.0-1");

    // Microphones: PulseAudio marks the default one; PipeWire lists its own.
    GstDevice* mic = FindDevice(devices, "GstFakePulseDevice", "HD Pro Webcam C920 Analog Stereo");
    GstDevice* mic2 = FindDevice(devices, "GstFakePulseDevice", "Built-in Audio Analog Stereo");
    ASSERT_NE(mic, nullptr);
    ASSERT_NE(mic2, nullptr);
    EXPECT_TRUE(gst_device_has_classes(mic, "Audio/Source"));
    EXPECT_EQ(PropertyString(mic, "device.class"), "sound");
    EXPECT_EQ(PropertyString(mic, "device.api"), "alsa");
    g_autoptr(GstStructure) micProps = gst_device_get_properties(mic);
    g_autoptr(GstStructure) mic2Props = gst_device_get_properties(mic2);
    gboolean isDefault = FALSE;
    EXPECT_TRUE(gst_structure_get_boolean(micProps, "is-default", &isDefault) && isDefault);
    EXPECT_TRUE(gst_structure_get_boolean(mic2Props, "is-default", &isDefault) && !isDefault);
    g_autofree gchar* internalName = nullptr;
    g_object_get(mic, "internal-name", &internalName, nullptr);
    EXPECT_STREQ(internalName, "alsa_input.mic.analog-stereo");
    GstDevice* pwmic = FindDevice(devices, "GstFakePipeWireDevice", "USB Microphone");
    ASSERT_NE(pwmic, nullptr);
    EXPECT_TRUE(gst_device_has_classes(pwmic, "Audio/Source"));
    EXPECT_TRUE(g_str_has_prefix(PropertyString(pwmic, "object.path").c_str(), "alsa:"));

    // Configured but not plugged in: not listed; and the started monitor
    // lists what probing lists.
    EXPECT_EQ(FindDevice(devices, "GstFakeV4l2Device", "Unplugged Camera"), nullptr);
    const guint probed = g_list_length(devices);
    EXPECT_EQ(probed, 10u);
    g_list_free_full(devices, gst_object_unref);
    ASSERT_TRUE(gst_device_monitor_start(monitor));
    devices = gst_device_monitor_get_devices(monitor);
    EXPECT_EQ(g_list_length(devices), probed);
    g_list_free_full(devices, gst_object_unref);
    gst_device_monitor_stop(monitor);

    // Without the variable nothing is listed, so other tests see no change.
    g_unsetenv("FAKECAM_DEVICES");
    control_.reload();
    devices = gst_device_monitor_get_devices(monitor);
    EXPECT_EQ(g_list_length(devices), 0u);
    g_list_free_full(devices, gst_object_unref);
    g_setenv("FAKECAM_DEVICES", DevicesPath().c_str(), TRUE);
    control_.reload();
    gst_object_unref(monitor);
}

TEST_F(FakecamTest, CameraNegotiatesAndStreamsAsV4l2srcDoes)
{
    // MJPEG at the largest size, decoded.
    {
        Pipeline p("fakecamsrc device=uvc ! capsfilter caps=image/jpeg,width=1600,height=1200 ! jpegdec ! "
                   "appsink name=sink");
        g_autoptr(GstElement) sink = p.ByName("sink");
        p.Play();
        std::vector<GstSample*> samples = PullSamples(sink, 3);
        ASSERT_EQ(samples.size(), 3u);
        GstVideoInfo info;
        ASSERT_TRUE(gst_video_info_from_caps(&info, gst_sample_get_caps(samples[2])));
        EXPECT_EQ(GST_VIDEO_INFO_WIDTH(&info), 1600);
        EXPECT_EQ(GST_VIDEO_INFO_HEIGHT(&info), 1200);
        EXPECT_GE(gst_buffer_get_size(gst_sample_get_buffer(samples[2])), info.size);
        FreeSamples(samples);
    }

    // Nothing asked for: the first of the device's largest, fastest formats.
    {
        Pipeline p("fakecamsrc device=uvc name=src ! fakesink");
        g_autoptr(GstElement) src = p.ByName("src");
        g_autoptr(GstPad) pad = gst_element_get_static_pad(src, "src");
        p.Play();
        GstCaps* caps = nullptr;
        const gint64 deadline = g_get_monotonic_time() + 3 * G_USEC_PER_SEC;
        while (!(caps = gst_pad_get_current_caps(pad)) && g_get_monotonic_time() < deadline)
            g_usleep(10000);
        ASSERT_NE(caps, nullptr);
        g_autoptr(GstCaps) expected
            = gst_caps_from_string("image/jpeg,width=1600,height=1200,framerate=30/1");
        EXPECT_TRUE(gst_caps_is_equal(caps, expected)) << gst_caps_to_string(caps);
        gst_caps_unref(caps);
    }

    // Raw at a size the peer fixes, at that size's rate, paced in real time.
    {
        Pipeline p("fakecamsrc device=uvc ! video/x-raw,width=800,height=600 ! appsink name=sink");
        g_autoptr(GstElement) sink = p.ByName("sink");
        p.Play();
        const gint64 start = g_get_monotonic_time();
        std::vector<GstSample*> samples = PullSamples(sink, 6);
        const gint64 elapsed = g_get_monotonic_time() - start;
        ASSERT_EQ(samples.size(), 6u);
        g_autoptr(GstCaps) expected
            = gst_caps_from_string("video/x-raw,format=YUY2,width=800,height=600,framerate=20/1");
        EXPECT_TRUE(gst_caps_is_equal(gst_sample_get_caps(samples[0]), expected));
        EXPECT_EQ(gst_buffer_get_size(gst_sample_get_buffer(samples[0])), 800u * 600u * 2u);
        for (size_t i = 1; i < samples.size(); ++i) {
            const GstClockTime delta = GST_BUFFER_PTS(gst_sample_get_buffer(samples[i]))
                - GST_BUFFER_PTS(gst_sample_get_buffer(samples[i - 1]));
            EXPECT_EQ(delta, 50 * GST_MSECOND);
        }
        // Six frames at 20 fps are five frame times apart at least.
        EXPECT_GE(elapsed, 240000);
        FreeSamples(samples);
    }

    // Every raw format the device offers, sized as GstVideoInfo says, moving.
    for (const char* format : { "NV12", "I420", "BGR", "RGB" }) {
        std::string launch = std::string("fakecamsrc device=formats ! video/x-raw,format=") + format
            + " ! appsink name=sink";
        Pipeline p(launch.c_str());
        g_autoptr(GstElement) sink = p.ByName("sink");
        p.Play();
        std::vector<GstSample*> samples = PullSamples(sink, 2);
        ASSERT_EQ(samples.size(), 2u) << format;
        GstVideoInfo info;
        ASSERT_TRUE(gst_video_info_from_caps(&info, gst_sample_get_caps(samples[0])));
        EXPECT_STREQ(gst_video_format_to_string(GST_VIDEO_INFO_FORMAT(&info)), format);
        GstMapInfo first, second;
        gst_buffer_map(gst_sample_get_buffer(samples[0]), &first, GST_MAP_READ);
        gst_buffer_map(gst_sample_get_buffer(samples[1]), &second, GST_MAP_READ);
        EXPECT_EQ(first.size, info.size) << format;
        EXPECT_EQ(second.size, info.size) << format;
        EXPECT_NE(std::memcmp(first.data, second.data, MIN(first.size, second.size)), 0) << format;
        gst_buffer_unmap(gst_sample_get_buffer(samples[1]), &second);
        gst_buffer_unmap(gst_sample_get_buffer(samples[0]), &first);
        FreeSamples(samples);
    }
}

TEST_F(FakecamTest, CamerasFailAndComeAndGoAsV4l2DevicesDo)
{
    // Busy: refused when the format is set.
    {
        Pipeline p("fakecamsrc device=busycam ! fakesink");
        p.Play();
        ErrorFacts error = ParseError(p.WaitForError());
        EXPECT_EQ(error.domain, GST_RESOURCE_ERROR);
        EXPECT_EQ(error.code, GST_RESOURCE_ERROR_BUSY);
        EXPECT_EQ(error.text, "Device '/dev/video4' is busy");
    }

    // A camera that dies after five frames.
    {
        Pipeline p("fakecamsrc device=failing name=src ! fakesink");
        g_autoptr(GstElement) src = p.ByName("src");
        p.Play();
        ErrorFacts error = ParseError(p.WaitForError());
        EXPECT_EQ(error.domain, GST_RESOURCE_ERROR);
        EXPECT_EQ(error.code, GST_RESOURCE_ERROR_READ);
        EXPECT_EQ(error.text, "Could not read from resource.");
        guint64 produced = 0;
        g_object_get(src, "frames-produced", &produced, nullptr);
        EXPECT_EQ(produced, 5u);
    }

    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    ASSERT_TRUE(gst_device_monitor_start(monitor));

    // Unplugged after five frames: the read error, then the device goes.
    {
        Pipeline p("fakecamsrc device=dying ! fakesink");
        p.Play();
        ErrorFacts error = ParseError(p.WaitForError());
        EXPECT_EQ(error.code, GST_RESOURCE_ERROR_READ);
        // Gone from both providers that list it.
        EXPECT_TRUE(WaitForDeviceMessage(monitor, GST_MESSAGE_DEVICE_REMOVED, "Dying Camera"));
        EXPECT_TRUE(WaitForDeviceMessage(monitor, GST_MESSAGE_DEVICE_REMOVED, "Dying Camera"));
        Pipeline again("fakecamsrc device=dying ! fakesink");
        EXPECT_EQ(again.Play(), GST_STATE_CHANGE_FAILURE);
        ErrorFacts notFound = ParseError(again.WaitForError(0ms));
        EXPECT_EQ(notFound.code, GST_RESOURCE_ERROR_NOT_FOUND);
    }

    // Plugged in again by hand, and by the key file.
    control_.setPresent("dying", TRUE);
    EXPECT_TRUE(WaitForDeviceMessage(monitor, GST_MESSAGE_DEVICE_ADDED, "Dying Camera", 0ms));
    EXPECT_TRUE(WaitForDeviceMessage(monitor, GST_MESSAGE_DEVICE_ADDED, "Dying Camera", 0ms));
    WriteDevices(
        Devices() + "\n[late]\nprovider=v4l2\nname=Late Camera\ncaps=image/jpeg,width=640,height=480\n");
    EXPECT_TRUE(WaitForDeviceMessage(monitor, GST_MESSAGE_DEVICE_ADDED, "Late Camera"));
    WriteDevices(Devices()
        + "\n[late]\nprovider=v4l2\nname=Late Camera\ncaps=image/jpeg,width=640,height=480\n"
          "present=false\n");
    EXPECT_TRUE(WaitForDeviceMessage(monitor, GST_MESSAGE_DEVICE_REMOVED, "Late Camera"));
    // A group that changes is listed anew, with its new description.
    WriteDevices(
        Devices() + "\n[late]\nprovider=v4l2\nname=Later Camera\ncaps=image/jpeg,width=640,height=480\n");
    EXPECT_TRUE(WaitForDeviceMessage(monitor, GST_MESSAGE_DEVICE_ADDED, "Later Camera"));

    gst_device_monitor_stop(monitor);
    gst_object_unref(monitor);
}

TEST_F(FakecamTest, MicrophoneRecordsAToneAtItsRateAndFailsAsConfigured)
{
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Audio/Source", nullptr);
    GList* devices = gst_device_monitor_get_devices(monitor);
    GstDevice* mic = FindDevice(devices, "GstFakePulseDevice", "HD Pro Webcam C920 Analog Stereo");
    ASSERT_NE(mic, nullptr);

    {
        Pipeline p("bin ( appsink name=sink )");
        GstElement* source = gst_device_create_element(mic, "mic");
        ASSERT_NE(source, nullptr);
        g_autoptr(GstElement) sink = p.ByName("sink");
        gst_bin_add(GST_BIN(p.get()), source);
        ASSERT_TRUE(gst_element_link(source, sink));
        p.Play();
        std::vector<GstSample*> samples = PullSamples(sink, 30);
        ASSERT_EQ(samples.size(), 30u);

        GstAudioInfo info;
        ASSERT_TRUE(gst_audio_info_from_caps(&info, gst_sample_get_caps(samples[0])));
        EXPECT_EQ(GST_AUDIO_INFO_RATE(&info), 48000);
        EXPECT_EQ(GST_AUDIO_INFO_CHANNELS(&info), 2);
        EXPECT_EQ(GST_AUDIO_INFO_FORMAT(&info), GST_AUDIO_FORMAT_S16LE);

        // Contiguous 10 ms blocks of a 440 Hz tone at half scale.
        std::vector<gint16> left;
        for (size_t i = 0; i < samples.size(); ++i) {
            GstBuffer* buffer = gst_sample_get_buffer(samples[i]);
            if (i > 0) {
                EXPECT_EQ(GST_BUFFER_PTS(buffer) - GST_BUFFER_PTS(gst_sample_get_buffer(samples[i - 1])),
                    10 * GST_MSECOND);
            }
            GstMapInfo map;
            gst_buffer_map(buffer, &map, GST_MAP_READ);
            EXPECT_EQ(map.size, 480u * 4u);
            const gint16* frames = reinterpret_cast<const gint16*>(map.data);
            for (gsize f = 0; f < map.size / 4; ++f)
                left.push_back(frames[f * 2]);
            gst_buffer_unmap(buffer, &map);
        }
        double sumSquares = 0;
        int crossings = 0;
        for (size_t i = 0; i < left.size(); ++i) {
            sumSquares += double(left[i]) * left[i];
            if (i > 0 && (left[i - 1] < 0) != (left[i] < 0))
                ++crossings;
        }
        const double rms = std::sqrt(sumSquares / left.size());
        EXPECT_NEAR(rms, 0.5 * 32767 / std::sqrt(2.0), 500);
        // 0.3 s of 440 Hz crosses zero about 264 times.
        EXPECT_NEAR(crossings, 264, 4);
        FreeSamples(samples);
    }
    g_list_free_full(devices, gst_object_unref);
    gst_object_unref(monitor);

    // A new default source: pulse reports it as a changed device.
    {
        GstDeviceMonitor* started = gst_device_monitor_new();
        gst_device_monitor_add_filter(started, "Audio/Source", nullptr);
        ASSERT_TRUE(gst_device_monitor_start(started));
        std::string swapped = Devices();
        swapped.replace(swapped.find("default=true"), 12, "default=false");
        swapped += "\n[mic4]\nprovider=pulse\nname=New Default\ndefault=true\ncaps=" + std::string(kMicCaps)
            + "\n";
        WriteDevices(swapped);
        control_.reload();
        g_autoptr(GstBus) bus = gst_device_monitor_get_bus(started);
        bool micChanged = false;
        while (GstMessage* message = gst_bus_pop(bus)) {
            if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_CHANGED) {
                GstDevice* device = nullptr;
                gst_message_parse_device_changed(message, &device, nullptr);
                g_autofree gchar* name = gst_device_get_display_name(device);
                g_autoptr(GstStructure) props = gst_device_get_properties(device);
                gboolean isDefault = TRUE;
                gst_structure_get_boolean(props, "is-default", &isDefault);
                micChanged
                    = micChanged || (g_strcmp0(name, "HD Pro Webcam C920 Analog Stereo") == 0 && !isDefault);
                gst_object_unref(device);
            }
            gst_message_unref(message);
        }
        EXPECT_TRUE(micChanged);
        gst_device_monitor_stop(started);
        gst_object_unref(started);
    }

    // Busy: refused at opening, as alsasrc does.
    {
        Pipeline p("fakemicsrc device=mic2 ! fakesink");
        EXPECT_EQ(p.Play(), GST_STATE_CHANGE_FAILURE);
        ErrorFacts error = ParseError(p.WaitForError(0ms));
        EXPECT_EQ(error.code, GST_RESOURCE_ERROR_BUSY);
    }

    // Once free, it fails after three blocks.
    WriteDevices(
        Devices() + "\n[mic3]\nprovider=pulse\nname=Tired Mic\nfail-after=3\ncaps=" + kMicCaps + "\n");
    {
        Pipeline p("fakemicsrc device=mic3 name=src ! fakesink");
        g_autoptr(GstElement) src = p.ByName("src");
        p.Play();
        ErrorFacts error = ParseError(p.WaitForError());
        EXPECT_EQ(error.code, GST_RESOURCE_ERROR_READ);
        guint64 produced = 0;
        g_object_get(src, "buffers-produced", &produced, nullptr);
        EXPECT_EQ(produced, 3u);
    }
}

} // namespace
