// SPDX-License-Identifier: GPL-2.0-or-later
// Which of a camera's own formats the capture asks for at each size, and
// what the capture makes of it.
#include "capture_format.h"
#include "source_format.h"

#include <gst/base/gstbasetransform.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <string>

namespace {

// A typical UVC webcam: MJPEG up to 1600x1200 at 30 fps, raw YUY2 fast only
// at 640x480.
constexpr const char* kUvcWebcam
    = "image/jpeg,width=1600,height=1200,framerate=30/1; image/jpeg,width=1280,height=720,framerate=30/1; "
      "image/jpeg,width=640,height=480,framerate=30/1; "
      "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1; "
      "video/x-raw,format=YUY2,width=800,height=600,framerate=20/1; "
      "video/x-raw,format=YUY2,width=1280,height=720,framerate=10/1; "
      "video/x-raw,format=YUY2,width=1600,height=1200,framerate=5/1";

std::string Chosen(const char* offered, int width, int height)
{
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    GstCaps* caps = offered ? gst_caps_from_string(offered) : nullptr;
    GstCaps* chosen = vidcore::ChooseSourceCaps(caps, width, height);
    std::string text = "none";
    if (chosen) {
        gchar* s = gst_caps_to_string(chosen);
        text = s;
        g_free(s);
        EXPECT_TRUE(gst_caps_is_fixed(chosen)) << text;
        gst_caps_unref(chosen);
    }
    if (caps)
        gst_caps_unref(caps);
    return text;
}

// The caps text of one fixed format, as the choice prints it.
std::string Raw(const char* format, int width, int height, const char* rate)
{
    return std::string("video/x-raw, format=(string)") + format + ", width=(int)" + std::to_string(width)
        + ", height=(int)" + std::to_string(height) + ", framerate=(fraction)" + rate;
}

std::string Jpeg(int width, int height, const char* rate)
{
    return "image/jpeg, width=(int)" + std::to_string(width) + ", height=(int)" + std::to_string(height)
        + ", framerate=(fraction)" + rate;
}

} // namespace

TEST(VidcoreSourceFormat, UvcWebcamAtEverySizeGetsANativeSizeAtAGoodRate)
{
    EXPECT_EQ(Chosen(kUvcWebcam, 320, 240), Raw("YUY2", 640, 480, "30/1"));
    EXPECT_EQ(Chosen(kUvcWebcam, 640, 480), Raw("YUY2", 640, 480, "30/1"));
    EXPECT_EQ(Chosen(kUvcWebcam, 800, 600), Raw("YUY2", 800, 600, "20/1"));
    // 1280x720 does not cover 768 rows: the next size up, where raw is too slow.
    EXPECT_EQ(Chosen(kUvcWebcam, 1024, 768), Jpeg(1600, 1200, "30/1"));
    EXPECT_EQ(Chosen(kUvcWebcam, 1280, 1024), Jpeg(1600, 1200, "30/1"));
    EXPECT_EQ(Chosen(kUvcWebcam, 1600, 1200), Jpeg(1600, 1200, "30/1"));
}

// The common 1080p webcam: fast MJPEG at 16:9 sizes only, its large raw
// modes slow, a 5 MP raw mode at 2 fps.
constexpr const char* k1080pWebcam
    = "video/x-raw,format=YUY2,width=2592,height=1944,framerate=2/1; "
      "video/x-raw,format=YUY2,width=1920,height=1080,framerate=5/1; "
      "video/x-raw,format=YUY2,width=1600,height=1200,framerate=5/1; "
      "video/x-raw,format=YUY2,width=1280,height=720,framerate=10/1; "
      "video/x-raw,format=YUY2,width=800,height=600,framerate=20/1; "
      "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1; "
      "image/jpeg,width=1920,height=1080,framerate=30/1; image/jpeg,width=1280,height=720,framerate=30/1";

TEST(VidcoreSourceFormat, FrameRateComesFirst)
{
    // A size that covers the request at 2 or 5 fps loses to a fast one,
    // which is then scaled (down, or up beyond 1080 rows).
    EXPECT_EQ(Chosen(k1080pWebcam, 1024, 768), Jpeg(1920, 1080, "30/1"));
    EXPECT_EQ(Chosen(k1080pWebcam, 1280, 1024), Jpeg(1920, 1080, "30/1"));
    EXPECT_EQ(Chosen(k1080pWebcam, 1600, 1200), Jpeg(1920, 1080, "30/1"));
    EXPECT_EQ(Chosen(k1080pWebcam, 800, 600), Raw("YUY2", 800, 600, "20/1"));
    EXPECT_EQ(Chosen(k1080pWebcam, 320, 240), Raw("YUY2", 640, 480, "30/1"));
    // Raw wins over MJPEG at equal size and rate.
    EXPECT_EQ(Chosen("image/jpeg,width=640,height=480,framerate=30/1; "
                     "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1",
                  640, 480),
        Raw("YUY2", 640, 480, "30/1"));
    // No mode reaches 15 fps: the size rule alone, among the slow ones.
    EXPECT_EQ(Chosen("video/x-raw,format=YUY2,width=2592,height=1944,framerate=2/1; "
                     "video/x-raw,format=YUY2,width=1600,height=1200,framerate=5/1",
                  1024, 768),
        Raw("YUY2", 1600, 1200, "5/1"));
}

TEST(VidcoreSourceFormat, RatesRangesAndOddOffers)
{
    // MJPEG only; a camera smaller than asked gives its largest size.
    EXPECT_EQ(Chosen("image/jpeg,width=1280,height=720,framerate={ 15/1, 30/1, 60/1 }", 1600, 1200),
        Jpeg(1280, 720, "30/1"));
    // Only faster than 30: the slowest of them.
    EXPECT_EQ(Chosen("video/x-raw,format=NV12,width=640,height=480,framerate={ 90/1, 60/1 }", 640, 480),
        Raw("NV12", 640, 480, "60/1"));
    // Ranges, as some drivers and PipeWire report them.
    EXPECT_EQ(
        Chosen("video/x-raw,format=YUY2,width=[ 160, 1920 ],height=[ 120, 1080 ],framerate=[ 1/1, 60/1 ]",
            800, 600),
        Raw("YUY2", 800, 600, "30/1"));
    // NTSC-style rates are kept exactly.
    EXPECT_EQ(Chosen("video/x-raw,format=YUY2,width=640,height=480,framerate=30000/1001", 640, 480),
        Raw("YUY2", 640, 480, "30000/1001"));
    // Nothing to decode, or nothing known: the source decides, as before.
    EXPECT_EQ(Chosen("video/x-h264,width=1920,height=1080,framerate=30/1", 640, 480), "none");
    EXPECT_EQ(Chosen("ANY", 640, 480), "none");
    EXPECT_EQ(Chosen(nullptr, 640, 480), "none");
}

namespace {

// Whether the capture's scaler passes a camera's decoded MJPEG of `jpeg`
// size straight through at the capture size, as the capture builds it.
bool ScalerPassesThrough(int jpegWidth, int jpegHeight, int width, int height)
{
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    const std::string description = "videotestsrc num-buffers=3 ! video/x-raw,format=Y42B,width="
        + std::to_string(jpegWidth) + ",height=" + std::to_string(jpegHeight)
        + " ! jpegenc ! capsfilter name=source ! jpegdec ! videoconvertscale name=scale"
          " ! capsfilter name=capture ! fakesink name=sink";
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    EXPECT_EQ(error, nullptr) << (error ? error->message : "");
    if (!pipeline)
        return false;
    GstElement* capture = gst_bin_get_by_name(GST_BIN(pipeline), "capture");
    GstCaps* jpeg = gst_caps_from_string(
        ("image/jpeg,width=" + std::to_string(jpegWidth) + ",height=" + std::to_string(jpegHeight)).c_str());
    GstCaps* caps = vidcore::CaptureSizeCaps(width, height, jpeg);
    g_object_set(capture, "caps", caps, nullptr);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(
        bus, 10 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    EXPECT_TRUE(end && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS);
    GstElement* scale = gst_bin_get_by_name(GST_BIN(pipeline), "scale");
    const bool passthrough = gst_base_transform_is_passthrough(GST_BASE_TRANSFORM(scale));
    gst_element_set_state(pipeline, GST_STATE_NULL);
    if (end)
        gst_message_unref(end);
    gst_object_unref(bus);
    gst_object_unref(scale);
    gst_caps_unref(caps);
    gst_caps_unref(jpeg);
    gst_object_unref(capture);
    gst_object_unref(pipeline);
    return passthrough;
}

} // namespace

// MJPEG at exactly the capture size is decoded once and then converted only
// by the frame grab; any other size is scaled into limited range, where the
// bars are black.
TEST(VidcoreCaptureFormat, DecodedMjpegOfTheCaptureSizeIsNotConvertedAgain)
{
    EXPECT_TRUE(ScalerPassesThrough(640, 480, 640, 480));
    EXPECT_FALSE(ScalerPassesThrough(1280, 720, 640, 480));
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    GstCaps* raw = gst_caps_from_string("video/x-raw,format=YUY2,width=640,height=480");
    GstCaps* caps = vidcore::CaptureSizeCaps(640, 480, raw);
    ASSERT_EQ(gst_caps_get_size(caps), 1u);
    EXPECT_STREQ(gst_structure_get_string(gst_caps_get_structure(caps, 0), "colorimetry"), "bt601");
    gst_caps_unref(caps);
    gst_caps_unref(raw);
}
