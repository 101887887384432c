// SPDX-License-Identifier: GPL-2.0-or-later
// The ximagesink preview's converting mirror, in pipelines of its own: the
// pictures it makes mirrored and not, against each other and against
// videoconvert, and the mirror turned on and off while frames flow.
#include "preview_mirror.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::string format;
    std::vector<guint8> pixels; // four bytes a pixel, rows packed
    bool Empty() const { return pixels.empty(); }
    const guint8* At(int x, int y) const { return pixels.data() + (size_t(y) * width + x) * 4; }
};

Picture FromSample(GstSample* sample)
{
    Picture picture;
    GstVideoInfo info;
    if (!sample || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample)))
        return picture;
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ))
        return picture;
    picture.width = GST_VIDEO_FRAME_WIDTH(&frame);
    picture.height = GST_VIDEO_FRAME_HEIGHT(&frame);
    picture.format = GST_VIDEO_FRAME_FORMAT(&frame) == GST_VIDEO_FORMAT_UNKNOWN
        ? ""
        : gst_video_format_to_string(GST_VIDEO_FRAME_FORMAT(&frame));
    const auto* data = static_cast<const guint8*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    for (int y = 0; y < picture.height; ++y)
        picture.pixels.insert(picture.pixels.end(), data + ptrdiff_t(y) * stride,
            data + ptrdiff_t(y) * stride + ptrdiff_t(picture.width) * 4);
    gst_video_frame_unmap(&frame);
    return picture;
}

// The first picture of `line` (a gst-launch line ending in an appsink named
// "out"); empty when the pipeline fails.
Picture FirstPicture(const std::string& line)
{
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(line.c_str(), &error);
    EXPECT_EQ(error, nullptr) << (error ? error->message : "") << " in " << line;
    g_clear_error(&error);
    if (!pipeline)
        return {};
    GstElement* out = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(out), 10 * GST_SECOND);
    EXPECT_NE(sample, nullptr) << "no picture from " << line;
    Picture picture = FromSample(sample);
    if (sample)
        gst_sample_unref(sample);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(out);
    gst_object_unref(pipeline);
    return picture;
}

bool IsMirrorOf(const Picture& a, const Picture& b)
{
    if (a.Empty() || a.width != b.width || a.height != b.height)
        return false;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (std::memcmp(a.At(x, y), b.At(a.width - 1 - x, y), 3) != 0)
                return false;
    return true;
}

// The top half of the picture: the colour bars, without the corner of the
// smpte pattern that changes from frame to frame.
Picture Bars(Picture picture)
{
    picture.height /= 2;
    picture.pixels.resize(size_t(picture.width) * picture.height * 4);
    return picture;
}

// The mean difference of the colour bytes.
double MeanDifference(const Picture& a, const Picture& b)
{
    if (a.Empty() || a.pixels.size() != b.pixels.size())
        return 1e9;
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        if (i % 4 != 3)
            sum += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
    return sum / (a.pixels.size() / 4 * 3);
}

class PreviewMirrorTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        gst_init(nullptr, nullptr);
        factory = vidcore::PreviewMirrorFactory();
    }
    static inline std::string factory;

    // Smpte bars, which differ left and right, of `input` at the size, through
    // `element` into `output`.
    static std::string Line(const char* input, int width, int height, const std::string& element,
        const char* output, const char* colorimetry = "bt601")
    {
        return "videotestsrc num-buffers=1 pattern=smpte ! video/x-raw,format=" + std::string(input)
            + ",width=" + std::to_string(width) + ",height=" + std::to_string(height)
            + ",colorimetry=" + colorimetry + " ! " + element + " ! video/x-raw,format=" + output
            + " ! appsink name=out sync=false";
    }
};

// Every input layout and output order: the mirrored picture is the plain one
// turned exactly, and the plain one is what videoconvert makes of the frame.
// The sizes leave a strip of fewer rows at the bottom, an odd one among them.
TEST_F(PreviewMirrorTest, TurnsEveryRowExactlyAndConvertsAsVideoconvert)
{
    struct Case {
        const char* input;
        const char* output;
        int width, height;
        const char* colorimetry;
    };
    const Case cases[] = {
        { "I420", "BGRx", 640, 480, "bt601" },
        { "I420", "BGRx", 322, 91, "1:4:0:0" },
        { "YV12", "RGBx", 320, 240, "bt601" },
        { "Y42B", "BGRA", 320, 241, "1:4:0:0" },
        { "Y444", "RGBA", 160, 120, "bt709" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.input) + " to " + c.output + " at " + std::to_string(c.width) + "x"
            + std::to_string(c.height) + " " + c.colorimetry);
        const Picture plain = FirstPicture(
            Line(c.input, c.width, c.height, factory + " mirrored=false", c.output, c.colorimetry));
        const Picture turned = FirstPicture(
            Line(c.input, c.width, c.height, factory + " mirrored=true", c.output, c.colorimetry));
        const Picture reference
            = FirstPicture(Line(c.input, c.width, c.height, "videoconvert", c.output, c.colorimetry));
        ASSERT_FALSE(plain.Empty());
        EXPECT_EQ(plain.format, c.output);
        EXPECT_FALSE(IsMirrorOf(plain, plain)) << "the bars look the same both ways";
        EXPECT_TRUE(IsMirrorOf(plain, turned)) << "the mirrored picture is not the plain one turned";
        EXPECT_LT(MeanDifference(plain, reference), 4.0) << "the colours are not videoconvert's";
    }
}

// While the pipeline plays the mirror turns on and off with the next frames:
// the caps stay, and the frames between are each either turned or not.
TEST_F(PreviewMirrorTest, TurnsOnAndOffWhilePlaying)
{
    const Picture plain = Bars(FirstPicture(Line("I420", 320, 240, factory, "BGRx")));
    ASSERT_FALSE(plain.Empty());
    GError* error = nullptr;
    GstElement* pipeline
        = gst_parse_launch(("videotestsrc is-live=true pattern=smpte ! video/x-raw,format=I420,"
                            "width=320,height=240,framerate=30/1,colorimetry=bt601 ! "
                               + factory
                               + " name=flip ! video/x-raw,format=BGRx ! appsink "
                                 "name=out sync=false max-buffers=2 drop=true")
                               .c_str(),
            &error);
    ASSERT_EQ(error, nullptr) << error->message;
    GstElement* out = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    GstElement* flip = gst_bin_get_by_name(GST_BIN(pipeline), "flip");
    ASSERT_NE(gst_element_set_state(pipeline, GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
    GstCaps* first = nullptr;
    // Pulls frames until one is turned as asked, for up to 60 frames; every
    // frame on the way is one picture or the other, in the first caps.
    auto reaches = [&](bool mirrored) {
        for (int i = 0; i < 60; ++i) {
            GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(out), 5 * GST_SECOND);
            if (!sample)
                return false;
            if (!first)
                first = gst_caps_ref(gst_sample_get_caps(sample));
            EXPECT_TRUE(gst_caps_is_equal(first, gst_sample_get_caps(sample)));
            const Picture picture = Bars(FromSample(sample));
            gst_sample_unref(sample);
            const bool turned = IsMirrorOf(plain, picture);
            EXPECT_TRUE(turned || picture.pixels == plain.pixels) << "a frame is neither picture";
            if (turned == mirrored)
                return true;
        }
        return false;
    };
    for (bool mirrored : { false, true, false, true }) {
        g_object_set(flip, "mirrored", gboolean(mirrored), nullptr);
        EXPECT_TRUE(reaches(mirrored)) << (mirrored ? "not mirrored" : "still mirrored");
    }
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* failure = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
    EXPECT_EQ(failure, nullptr);
    if (failure)
        gst_message_unref(failure);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    if (first)
        gst_caps_unref(first);
    gst_object_unref(flip);
    gst_object_unref(out);
    gst_object_unref(pipeline);
}

} // namespace
