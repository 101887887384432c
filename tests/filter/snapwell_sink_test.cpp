// SPDX-License-Identifier: GPL-2.0-or-later
#include "snapwell_test_support.h"

#include <gst/check/gstharness.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <glib.h>
#include <memory>
#include <vector>

using namespace snapwell_test;
using namespace frameblock;

namespace {

constexpr unsigned char kUntouched = 0xAB;
constexpr uint32_t kSentinel = 0x5A5A5A5A;

uint32_t Le32(const unsigned char* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// One set of maps serves every test of this process; each test starts from
// known contents.
class SnapwellSinkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        InitGstreamer();
        maps = new FrameMaps();
        // The first sink of the process to start opens the maps and marks no frame ready.
        maps->SetWord(kFrameReadyOffset, 1);
        g_autoptr(GstElement) sink = gst_element_factory_make("Snapwell_Quillon", nullptr);
        gst_element_set_state(sink, GST_STATE_READY);
        frameReadyAfterOpen = maps->Word(kFrameReadyOffset);
        gst_element_set_state(sink, GST_STATE_NULL);
    }
    static void TearDownTestSuite()
    {
        delete maps;
        maps = nullptr;
    }
    void SetUp() override
    {
        std::memset(maps->block(), kUntouched, kPixelAreaSize);
        std::memset(maps->block() + kPixelAreaSize, 0, kFrameBlockSize - kPixelAreaSize);
        maps->SetPermission(1);
    }

    static bool PixelAreaUntouchedFrom(std::size_t offset)
    {
        for (std::size_t i = offset; i < kPixelAreaSize; ++i)
            if (maps->block()[i] != kUntouched)
                return false;
        return true;
    }
    static bool BitmapHeaderUntouched()
    {
        for (std::size_t i = 0; i < kBitmapHeaderSize; ++i)
            if (maps->block()[kBitmapHeaderOffset + i] != 0)
                return false;
        return true;
    }

    static inline FrameMaps* maps = nullptr;
    static inline uint32_t frameReadyAfterOpen = 1;
};

TEST_F(SnapwellSinkTest, IdentityAndRegistration)
{
    g_autoptr(GstElementFactory) factory = gst_element_factory_find("Snapwell_Quillon");
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(factory)), GST_RANK_NONE);
    EXPECT_STREQ(
        gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME), "Snapwell_Quillon");
    EXPECT_STREQ(
        gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_DESCRIPTION), "Snapwell Filter");
    EXPECT_STREQ(
        gst_element_factory_get_metadata(factory, "clsid"), "{8F7CF39C-3F41-4700-BE1E-36D3257FF1DD}");
    EXPECT_STREQ(gst_plugin_feature_get_plugin_name(GST_PLUGIN_FEATURE(factory)), "snapwell");

    g_autoptr(GstElement) sink = gst_element_factory_make("Snapwell_Quillon", nullptr);
    ASSERT_NE(sink, nullptr);
    g_autoptr(GstPad) pad = gst_element_get_static_pad(sink, "sink");
    EXPECT_NE(pad, nullptr);
    gboolean sync = TRUE;
    g_object_get(sink, "sync", &sync, nullptr);
    EXPECT_FALSE(sync);

    // Registering the plugin again, by scan and by loading its file, leaves one element.
    const std::string file = std::string(GLIMVIEW_PLUGIN_DIR) + "/libgstsnapwell.so";
    gst_registry_scan_path(gst_registry_get(), GLIMVIEW_PLUGIN_DIR);
    g_autoptr(GstPlugin) first = gst_plugin_load_file(file.c_str(), nullptr);
    g_autoptr(GstPlugin) second = gst_plugin_load_file(file.c_str(), nullptr);
    ASSERT_NE(second, nullptr);
    GList* features = gst_registry_get_feature_list_by_plugin(gst_registry_get(), "snapwell");
    int named = 0;
    for (GList* item = features; item; item = item->next)
        named += g_str_equal(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(item->data)), "Snapwell_Quillon");
    gst_plugin_feature_list_free(features);
    EXPECT_EQ(named, 1);
    EXPECT_EQ(frameReadyAfterOpen, 0u);

    // The command-line inspector finds it too.
    gchar* argv[]
        = { const_cast<gchar*>("gst-inspect-1.0"), const_cast<gchar*>("Snapwell_Quillon"), nullptr };
    g_autofree gchar* out = nullptr;
    gint status = -1;
    g_autoptr(GError) error = nullptr;
    g_auto(GStrv) env = g_environ_setenv(g_get_environ(), "GST_PLUGIN_PATH", GLIMVIEW_PLUGIN_DIR, TRUE);
    ASSERT_TRUE(g_spawn_sync(
        nullptr, argv, env, G_SPAWN_SEARCH_PATH, nullptr, nullptr, &out, nullptr, &status, &error))
        << error->message;
    EXPECT_TRUE(g_spawn_check_wait_status(status, nullptr));
    EXPECT_NE(std::strstr(out, "Snapwell Filter"), nullptr) << out;
    EXPECT_NE(std::strstr(out, "none (0)"), nullptr) << out;
}

TEST_F(SnapwellSinkTest, RefusesOtherFormatsAndOversizedFrames)
{
    // Deep-colour formats no camera offers are left to a converter upstream.
    for (const char* caps : { "format=v210,width=320,height=240", "format=GRAY16_LE,width=320,height=240",
             "format=BGR,width=1601,height=1200", "format=BGR,width=1600,height=1201",
             "format=I420,width=1602,height=1200" }) {
        SCOPED_TRACE(caps);
        // Caps given after linking, so that the refusal comes at negotiation.
        g_autoptr(GstElement) pipeline
            = Launch("videotestsrc num-buffers=2 ! capsfilter name=offer ! Snapwell_Quillon");
        ASSERT_NE(pipeline, nullptr);
        g_autoptr(GstElement) offer = gst_bin_get_by_name(GST_BIN(pipeline), "offer");
        g_autoptr(GstCaps) offered = gst_caps_from_string((std::string("video/x-raw,") + caps).c_str());
        g_object_set(offer, "caps", offered, nullptr);
        const RunResult result = RunToEnd(pipeline);
        EXPECT_FALSE(result.eos);
        EXPECT_FALSE(result.error.empty());
        EXPECT_TRUE(BitmapHeaderUntouched());
        EXPECT_EQ(maps->Word(kHeightOffset), 0u);
        EXPECT_TRUE(PixelAreaUntouchedFrom(0));
    }

    // Asked directly, the pad refuses what would not fit the pixel area.
    g_autoptr(GstElement) sink = gst_element_factory_make("Snapwell_Quillon", nullptr);
    g_autoptr(GstPad) pad = gst_element_get_static_pad(sink, "sink");
    for (auto [width, height] : { std::pair { 1600, 1201 }, { 1601, 1200 }, { 2400, 800 }, { 0, 240 } }) {
        g_autoptr(GstCaps) caps = gst_caps_from_string(BgrCaps(width, height).c_str());
        EXPECT_FALSE(gst_pad_query_accept_caps(pad, caps)) << width << "x" << height;
    }
    g_autoptr(GstCaps) largest = gst_caps_from_string(BgrCaps(1600, 1200).c_str());
    EXPECT_TRUE(gst_pad_query_accept_caps(pad, largest));
}

// A picture with what a camera sees: smooth shading, soft colour fields and
// fine texture, as RGB rows.
std::vector<unsigned char> NaturalRgb(int width, int height)
{
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    auto channel = [](double value) { return static_cast<unsigned char>(std::clamp(value, 0.0, 255.0)); };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double texture = static_cast<double>((x * 7919 + y * 104729) % 17) - 8;
            const double u = double(x) / width, v = double(y) / height;
            unsigned char* pixel = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            pixel[0] = channel(40 + 180 * v + 30 * std::sin(9 * u) + texture);
            pixel[1] = channel(128 + 100 * std::sin(5 * u + 3 * v) + texture);
            pixel[2] = channel(220 - 200 * u * v + 25 * std::cos(13 * v) + texture);
        }
    return rgb;
}

// The natural picture in the format of `caps`, converted by GStreamer.
GstBuffer* NaturalFrame(int width, int height, GstCaps* caps)
{
    const std::vector<unsigned char> rgb = NaturalRgb(width, height);
    g_autoptr(GstCaps) rgbCaps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "RGB", "width",
        G_TYPE_INT, width, "height", G_TYPE_INT, height, "framerate", GST_TYPE_FRACTION, 30, 1, nullptr);
    GstVideoInfo rgbInfo;
    gst_video_info_from_caps(&rgbInfo, rgbCaps);
    g_autoptr(GstBuffer) buffer = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&rgbInfo), nullptr);
    GstVideoFrame frame;
    gst_video_frame_map(&frame, &rgbInfo, buffer, GST_MAP_WRITE);
    for (int y = 0; y < height; ++y)
        std::memcpy(static_cast<unsigned char*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0))
                + y * GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0),
            &rgb[static_cast<std::size_t>(y) * width * 3], static_cast<std::size_t>(width) * 3);
    gst_video_frame_unmap(&frame);
    g_autoptr(GstSample) sample = gst_sample_new(buffer, rgbCaps, nullptr, nullptr);
    g_autoptr(GError) error = nullptr;
    g_autoptr(GstSample) converted = gst_video_convert_sample(sample, caps, 20 * GST_SECOND, &error);
    EXPECT_NE(converted, nullptr) << (error ? error->message : "");
    return converted ? gst_buffer_ref(gst_sample_get_buffer(converted)) : nullptr;
}

// Every byte value in every plane: a frame of scrambled bytes.
GstBuffer* EveryValueFrame(const GstVideoInfo& info)
{
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&info), nullptr);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    for (gsize i = 0; i < map.size; ++i)
        map.data[i] = static_cast<guint8>((i * 2654435761u) >> 13);
    gst_buffer_unmap(buffer, &map);
    return buffer;
}

// The exact conversion of the frame into top-down BGR rows, in floating
// point, with the matrix and range `info` names. Chroma is sited as the
// layout gives it: each sample stands for the pixels of its block (GStreamer's
// unpacking repeats it for each).
std::vector<unsigned char> ExactBgr(const GstVideoInfo& info, GstBuffer* buffer)
{
    const int width = GST_VIDEO_INFO_WIDTH(&info);
    const int height = GST_VIDEO_INFO_HEIGHT(&info);
    const GstVideoFormatInfo* format = info.finfo;
    const bool yuv = GST_VIDEO_FORMAT_INFO_IS_YUV(format) || GST_VIDEO_FORMAT_INFO_IS_GRAY(format);
    gint offset[GST_VIDEO_MAX_COMPONENTS];
    gint scale[GST_VIDEO_MAX_COMPONENTS];
    gst_video_color_range_offsets(info.colorimetry.range, format, offset, scale);
    gdouble kr = 0;
    gdouble kb = 0;
    if (yuv && !GST_VIDEO_FORMAT_INFO_IS_GRAY(format)) {
        EXPECT_TRUE(gst_video_color_matrix_get_Kr_Kb(info.colorimetry.matrix, &kr, &kb));
    }

    GstVideoFrame frame;
    EXPECT_TRUE(gst_video_frame_map(&frame, const_cast<GstVideoInfo*>(&info), buffer, GST_MAP_READ));
    std::vector<unsigned char> unpacked(static_cast<std::size_t>(width) * 4);
    std::vector<unsigned char> bgr(static_cast<std::size_t>(width) * height * 3);
    auto byte
        = [](double value) { return static_cast<unsigned char>(std::lround(std::clamp(value, 0.0, 255.0))); };
    for (int y = 0; y < height; ++y) {
        format->unpack_func(
            format, GST_VIDEO_PACK_FLAG_NONE, unpacked.data(), frame.data, frame.info.stride, 0, y, width);
        for (int x = 0; x < width; ++x) {
            const unsigned char* in = &unpacked[static_cast<std::size_t>(x) * 4]; // A, then Y U V or R G B
            unsigned char* out = &bgr[(static_cast<std::size_t>(y) * width + x) * 3];
            if (!yuv) {
                out[0] = in[3];
                out[1] = in[2];
                out[2] = in[1];
                continue;
            }
            const double luma = (in[1] - offset[0]) / double(scale[0]);
            if (GST_VIDEO_FORMAT_INFO_IS_GRAY(format)) {
                out[0] = out[1] = out[2] = byte(255 * luma);
                continue;
            }
            const double pb = (in[2] - offset[1]) / double(scale[1]);
            const double pr = (in[3] - offset[2]) / double(scale[2]);
            const double r = luma + 2 * (1 - kr) * pr;
            const double b = luma + 2 * (1 - kb) * pb;
            const double g = (luma - kr * r - kb * b) / (1 - kr - kb);
            out[0] = byte(255 * b);
            out[1] = byte(255 * g);
            out[2] = byte(255 * r);
        }
    }
    gst_video_frame_unmap(&frame);
    return bgr;
}

// Every format the sink accepts is converted into the block as the exact
// conversion would, within rounding: at two sizes, with BT.601 and BT.709 in
// both ranges and with no colorimetry (GStreamer's default for the size), on
// a natural picture and on a frame holding every value.
TEST_F(SnapwellSinkTest, EveryFormatConvertsWithinRoundingOfTheExactConversion)
{
    const char* const yuvFormats[]
        = { "I420", "YV12", "NV12", "NV21", "YUY2", "UYVY", "YVYU", "Y42B", "Y444", "NV16", "GRAY8" };
    const char* const rgbFormats[]
        = { "BGR", "RGB", "BGRx", "RGBx", "xRGB", "xBGR", "BGRA", "RGBA", "ARGB", "ABGR" };
    // Limited and full range of each matrix, and none at all.
    const char* const colorimetries[] = { "bt601", "bt709", "1:4:0:0", "1:3:5:1", nullptr };

    struct Case {
        std::string format;
        const char* colorimetry;
    };
    std::vector<Case> cases;
    for (const char* format : yuvFormats)
        for (const char* colorimetry : colorimetries)
            cases.push_back({ format, colorimetry });
    for (const char* format : rgbFormats)
        cases.push_back({ format, nullptr });

    for (auto [width, height] : { std::pair { 1600, 1200 }, { 350, 262 } }) {
        for (const Case& test : cases) {
            std::string caps = "video/x-raw,format=" + test.format + ",width=" + std::to_string(width)
                + ",height=" + std::to_string(height) + ",framerate=30/1";
            if (test.colorimetry)
                caps += std::string(",colorimetry=") + test.colorimetry;
            g_autoptr(GstCaps) parsed = gst_caps_from_string(caps.c_str());
            GstVideoInfo info;
            ASSERT_TRUE(gst_video_info_from_caps(&info, parsed)) << caps;

            for (const bool natural : { true, false }) {
                SCOPED_TRACE(caps + (natural ? ", natural picture" : ", every value"));
                g_autoptr(GstBuffer) buffer
                    = natural ? NaturalFrame(width, height, parsed) : EveryValueFrame(info);
                ASSERT_NE(buffer, nullptr);
                const std::vector<unsigned char> exact = ExactBgr(info, buffer);

                SetUp();
                GstHarness* harness = gst_harness_new("Snapwell_Quillon");
                std::unique_ptr<GstHarness, decltype(&gst_harness_teardown)> owner(
                    harness, gst_harness_teardown);
                gst_harness_set_src_caps_str(harness, caps.c_str());
                ASSERT_EQ(gst_harness_push(harness, gst_buffer_ref(buffer)), GST_FLOW_OK);
                ASSERT_EQ(maps->Word(kFrameReadyOffset), 1u);

                // libyuv's limited-range tables round the blue factor down to
                // 2.0, which BT.709's 2.112 misses most: strong blues up to 15 too dark.
                const bool shortBlue = info.colorimetry.matrix == GST_VIDEO_COLOR_MATRIX_BT709
                    && info.colorimetry.range == GST_VIDEO_COLOR_RANGE_16_235;
                const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
                int worst = 0;
                int worstBlue = 0;
                double total = 0;
                for (int row = 0; row < height; ++row) {
                    const unsigned char* stored = maps->block() + (height - 1 - row) * rowBytes;
                    const unsigned char* wanted = exact.data() + row * rowBytes;
                    for (std::size_t i = 0; i < rowBytes; ++i) {
                        const int error = std::abs(int(stored[i]) - int(wanted[i]));
                        int& channelWorst = i % 3 == 0 ? worstBlue : worst;
                        channelWorst = std::max(channelWorst, error);
                        total += error;
                    }
                }
                EXPECT_LE(worst, 3);
                EXPECT_LE(worstBlue, shortBlue ? 15 : 3);
                EXPECT_LE(total / double(rowBytes * height), shortBlue ? 1.35 : 1.0);
                EXPECT_TRUE(PixelAreaUntouchedFrom(rowBytes * height));
            }
        }
    }
}

TEST_F(SnapwellSinkTest, AcceptedCapsDescribeTheFrameInTheBlock)
{
    g_autoptr(GstElement) pipeline = Launch("videotestsrc num-buffers=3 pattern=white ! "
                                            "video/x-raw,format=BGR,width=640,height=480 ! Snapwell_Quillon");
    ASSERT_NE(pipeline, nullptr);
    const RunResult result = RunToEnd(pipeline);
    ASSERT_TRUE(result.eos) << result.error;

    const unsigned char* header = maps->block() + kBitmapHeaderOffset;
    EXPECT_EQ(Le32(header + 0), 40u); // biSize
    EXPECT_EQ(Le32(header + 4), 640u); // biWidth
    EXPECT_EQ(Le32(header + 8), 480u); // biHeight, positive: bottom-up rows
    EXPECT_EQ(Le16(header + 12), 1u); // biPlanes
    EXPECT_EQ(Le16(header + 14), 24u); // biBitCount
    EXPECT_EQ(Le32(header + 16), 0u); // biCompression BI_RGB
    EXPECT_EQ(Le32(header + 20), 640u * 480 * 3); // biSizeImage
    for (std::size_t i = 24; i < kBitmapHeaderSize; ++i)
        EXPECT_EQ(header[i], 0) << "byte " << i;

    EXPECT_EQ(maps->Word(kHeightOffset), 480u);
    EXPECT_EQ(maps->Word(kWidthOffset), 640u);
    EXPECT_EQ(maps->Word(kBitCountOffset), 24u);
    EXPECT_EQ(maps->Word(kFrameReadyOffset), 1u);

    const unsigned char* pixels = maps->block();
    const std::size_t frameBytes = 640 * 480 * 3;
    EXPECT_TRUE(std::all_of(pixels, pixels + frameBytes, [](unsigned char b) { return b == 0xFF; }));
    EXPECT_TRUE(PixelAreaUntouchedFrom(frameBytes));
}

TEST_F(SnapwellSinkTest, FrameSizesFillThePixelAreaExactly)
{
    // The largest frame fills the pixel area to its last byte and no further.
    const TestFrame full(1600, 1200, 1600 * 3, 3);
    ASSERT_TRUE(PushFrames({ full }).eos);
    EXPECT_TRUE(full.PackedBottomUpAt(maps->block()));
    EXPECT_EQ(Le32(maps->block() + kBitmapHeaderOffset), 40u);
    EXPECT_EQ(maps->Word(kHeightOffset), 1200u);
    EXPECT_EQ(maps->Word(kWidthOffset), 1600u);
    EXPECT_EQ(maps->Word(kFrameReadyOffset), 1u);

    // A small frame uses the start of the area and leaves the rest as it was.
    SetUp();
    const TestFrame first(320, 240, 320 * 3, 1);
    const TestFrame last(320, 240, 320 * 3, 2);
    ASSERT_TRUE(PushFrames({ first, last }).eos);
    EXPECT_TRUE(last.PackedBottomUpAt(maps->block()));
    EXPECT_TRUE(PixelAreaUntouchedFrom(230400));
    EXPECT_EQ(maps->Word(kHeightOffset), 240u);
    EXPECT_EQ(maps->Word(kWidthOffset), 320u);
}

TEST_F(SnapwellSinkTest, PermissionOtherThanOneCopiesNothing)
{
    for (uint32_t permission : { 0u, 2u }) {
        SCOPED_TRACE(permission);
        SetUp();
        maps->SetPermission(permission);
        maps->SetWord(kHeightOffset, kSentinel);
        maps->SetWord(kWidthOffset, kSentinel);
        maps->SetWord(kBitCountOffset, kSentinel);
        maps->SetWord(kFrameReadyOffset, kSentinel);

        ASSERT_TRUE(PushFrames({ TestFrame(320, 240, 960, permission) }).eos);

        EXPECT_TRUE(PixelAreaUntouchedFrom(0));
        EXPECT_EQ(maps->Word(kFrameReadyOffset), kSentinel);
        EXPECT_EQ(maps->Word(kHeightOffset), 240u);
        EXPECT_EQ(maps->Word(kWidthOffset), 320u);
        EXPECT_EQ(maps->Word(kBitCountOffset), 24u);
    }
}

TEST_F(SnapwellSinkTest, PaddedRowsArePackedRowByRow)
{
    // Strides from video metadata, wider than the rows.
    const TestFrame withMeta(320, 240, 1024, 5);
    ASSERT_TRUE(PushFrames({ withMeta }, true).eos);
    EXPECT_TRUE(withMeta.PackedBottomUpAt(maps->block()));
    EXPECT_TRUE(PixelAreaUntouchedFrom(320 * 240 * 3));

    // GStreamer's own default stride: rows rounded up to four bytes.
    SetUp();
    const TestFrame odd(321, 17, 964, 6);
    ASSERT_TRUE(PushFrames({ odd }).eos);
    EXPECT_TRUE(odd.PackedBottomUpAt(maps->block()));
    EXPECT_TRUE(PixelAreaUntouchedFrom(321 * 17 * 3));
    EXPECT_EQ(maps->Word(kWidthOffset), 321u);
}

TEST_F(SnapwellSinkTest, UnusableBuffersAreNeverRead)
{
    // Shorter than the negotiated frame.
    TestFrame frame(320, 240, 960, 7);
    frame.bytes.resize(frame.bytes.size() / 2);
    const RunResult result = PushFrames({ frame });
    EXPECT_FALSE(result.eos);
    EXPECT_FALSE(result.error.empty());
    EXPECT_TRUE(PixelAreaUntouchedFrom(0));

    // Before any caps: nothing at all is written, not even the words (the
    // short buffer above did refresh them from its caps).
    SetUp();
    GstHarness* harness = gst_harness_new("Snapwell_Quillon");
    std::unique_ptr<GstHarness, decltype(&gst_harness_teardown)> owner(harness, gst_harness_teardown);
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    ASSERT_TRUE(gst_harness_push_event(harness, gst_event_new_segment(&segment)));
    EXPECT_EQ(gst_harness_push(harness, gst_harness_create_buffer(harness, 320 * 240 * 3)),
        GST_FLOW_NOT_NEGOTIATED);
    EXPECT_TRUE(PixelAreaUntouchedFrom(0));
    EXPECT_EQ(maps->Word(kHeightOffset), 0u);

    // A restarted element forgets the caps of its last run: a buffer before
    // new caps is refused, not written with the old layout.
    gst_harness_set_src_caps_str(harness, BgrCaps(320, 240).c_str());
    ASSERT_EQ(gst_harness_push(harness, gst_harness_create_buffer(harness, 320 * 240 * 3)), GST_FLOW_OK);
    ASSERT_EQ(gst_element_set_state(harness->element, GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
    ASSERT_NE(gst_element_set_state(harness->element, GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
    SetUp();
    // Straight into its pad: the harness would send its caps again.
    g_autoptr(GstPad) input = gst_element_get_static_pad(harness->element, "sink");
    ASSERT_TRUE(gst_pad_send_event(input, gst_event_new_segment(&segment)));
    EXPECT_EQ(
        gst_pad_chain(input, gst_harness_create_buffer(harness, 320 * 240 * 3)), GST_FLOW_NOT_NEGOTIATED);
    EXPECT_TRUE(PixelAreaUntouchedFrom(0));
}

TEST_F(SnapwellSinkTest, LocationKeepsAtMost260Characters)
{
    g_autoptr(GstElement) sink = gst_element_factory_make("Snapwell_Quillon", nullptr);
    g_autoptr(GstBus) bus = gst_bus_new();
    gst_element_set_bus(sink, bus);

    auto location = [&] {
        g_autofree gchar* value = nullptr;
        g_object_get(sink, "location", &value, nullptr);
        return std::string(value ? value : "(none)");
    };
    auto warned = [&] {
        g_autoptr(GstMessage) message = gst_bus_pop_filtered(bus, GST_MESSAGE_WARNING);
        return message != nullptr;
    };

    EXPECT_EQ(location(), "(none)");

    const std::string longest(260, 'a');
    g_object_set(sink, "location", longest.c_str(), nullptr);
    EXPECT_EQ(location(), longest);
    EXPECT_FALSE(warned());

    g_object_set(sink, "location", std::string(261, 'b').c_str(), nullptr);
    EXPECT_EQ(location(), longest);
    EXPECT_TRUE(warned());

    // Characters count, not bytes.
    std::string wide;
    for (int i = 0; i < 260; ++i)
        wide += "\u00e9";
    g_object_set(sink, "location", wide.c_str(), nullptr);
    EXPECT_EQ(location(), wide);
    g_object_set(sink, "location", (wide + "\u00e9").c_str(), nullptr);
    EXPECT_EQ(location(), wide);
    EXPECT_TRUE(warned());

    gst_element_set_bus(sink, nullptr);
}

TEST_F(SnapwellSinkTest, LastSampleTimeFollowsBuffersAndSegments)
{
    GstHarness* harness = gst_harness_new("Snapwell_Quillon");
    std::unique_ptr<GstHarness, decltype(&gst_harness_teardown)> owner(harness, gst_harness_teardown);
    gst_harness_set_src_caps_str(harness, BgrCaps(16, 8).c_str());
    auto lastSampleTime = [&] {
        guint64 time = 1;
        g_object_get(harness->element, "last-sample-time", &time, nullptr);
        return time;
    };

    GstBuffer* buffer = gst_harness_create_buffer(harness, 16 * 8 * 3);
    GST_BUFFER_PTS(buffer) = 3 * GST_SECOND;
    ASSERT_EQ(gst_harness_push(harness, buffer), GST_FLOW_OK);
    EXPECT_EQ(lastSampleTime(), 3 * GST_SECOND);
    EXPECT_EQ(maps->Word(kFrameReadyOffset), 1u);

    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    ASSERT_TRUE(gst_harness_push_event(harness, gst_event_new_segment(&segment)));
    EXPECT_EQ(lastSampleTime(), 0u);
}

} // namespace
