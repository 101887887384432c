// SPDX-License-Identifier: GPL-2.0-or-later
#include "snapwell_test_support.h"

#include <gst/app/gstappsink.h>
#include <gst/check/gstharness.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

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

// The sink opens the maps once per process and keeps them, so one set of maps
// serves every test of this process; each test starts from known contents.
class SnapwellSinkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        InitGstreamer();
        maps = new FrameMaps();
        // The first sink of the process opens the maps and marks no frame ready.
        maps->SetWord(kFrameReadyOffset, 1);
        g_autoptr(GstElement) sink = gst_element_factory_make("Snapwell_Quillon", nullptr);
        frameReadyAfterOpen = maps->Word(kFrameReadyOffset);
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

// The block's bytes after one pipeline run, starting from a block of known
// contents.
std::vector<unsigned char> BlockAfter(FrameMaps& maps, const std::string& pipeline)
{
    std::memset(maps.block(), kUntouched, kFrameBlockSize);
    g_autoptr(GstElement) launched = Launch(pipeline);
    if (!launched)
        return {};
    const RunResult result = RunToEnd(launched);
    EXPECT_TRUE(result.eos) << pipeline << ": " << result.error;
    return std::vector<unsigned char>(maps.block(), maps.block() + kFrameBlockSize);
}

void PutLe32(unsigned char* p, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(value >> (8 * i));
}

// The block the former grab branch made of the last frame of `source`: a
// videoconvert to BGR and a vertical videoflip, whose rows the sink copied as
// they came, behind the bitmap header and the words of a bottom-up BGR frame.
std::vector<unsigned char> FormerBlock(const std::string& source, int width, int height)
{
    std::vector<unsigned char> block(kFrameBlockSize, kUntouched);
    g_autoptr(GstElement) pipeline = Launch(source
        + " ! videoconvert ! video/x-raw,format=BGR ! videoflip video-direction=vert ! appsink name=out "
          "sync=false");
    if (!pipeline)
        return {};
    g_autoptr(GstElement) out = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstSample* last = nullptr;
    while (GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(out), 10 * GST_SECOND)) {
        if (last)
            gst_sample_unref(last);
        last = sample;
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    if (!last)
        return {};
    GstVideoInfo info;
    GstVideoFrame frame;
    EXPECT_TRUE(gst_video_info_from_caps(&info, gst_sample_get_caps(last)));
    EXPECT_TRUE(gst_video_frame_map(&frame, &info, gst_sample_get_buffer(last), GST_MAP_READ));
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    for (int row = 0; row < height; ++row)
        std::memcpy(block.data() + row * rowBytes,
            static_cast<const unsigned char*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0))
                + row * GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0),
            rowBytes);
    gst_video_frame_unmap(&frame);
    gst_sample_unref(last);

    unsigned char* header = block.data() + kBitmapHeaderOffset;
    std::memset(header, 0, kBitmapHeaderSize);
    PutLe32(header + 0, 40);
    PutLe32(header + 4, static_cast<uint32_t>(width));
    PutLe32(header + 8, static_cast<uint32_t>(height));
    header[12] = 1; // biPlanes
    header[14] = 24; // biBitCount
    PutLe32(header + 20, static_cast<uint32_t>(rowBytes * height));
    PutLe32(block.data() + kHeightOffset, static_cast<uint32_t>(height));
    PutLe32(block.data() + kWidthOffset, static_cast<uint32_t>(width));
    PutLe32(block.data() + kBitCountOffset, 24);
    PutLe32(block.data() + kFrameReadyOffset, 1);
    return block;
}

// Converting in the sink, rows reversed, gives the very block that the former
// grab branch gave: pixels, bitmap header and words, byte for byte.
TEST_F(SnapwellSinkTest, CameraFormatsGiveTheBlockOfConvertAndFlip)
{
    for (const char* format : { "I420", "YUY2" }) {
        for (auto [width, height] : { std::pair { 320, 240 }, { 640, 480 }, { 1024, 768 }, { 1600, 1200 } }) {
            const std::string caps = std::string("video/x-raw,format=") + format
                + ",width=" + std::to_string(width) + ",height=" + std::to_string(height) + ",framerate=30/1";
            // The synthetic camera's picture, and noise that leaves no rounding unseen.
            for (const char* picture : { "pattern=smpte horizontal-speed=2", "pattern=snow" }) {
                SCOPED_TRACE(caps + " " + picture);
                const std::string source = std::string("videotestsrc num-buffers=3 ") + picture + " ! " + caps
                    + " ! timeoverlay font-desc=\"Sans 16\"";
                const auto expected = FormerBlock(source, width, height);
                const auto converted = BlockAfter(*maps, source + " ! Snapwell_Quillon");
                ASSERT_EQ(expected.size(), kFrameBlockSize);
                ASSERT_EQ(converted.size(), kFrameBlockSize);
                std::size_t firstDifference = 0;
                while (firstDifference < kFrameBlockSize
                    && expected[firstDifference] == converted[firstDifference])
                    ++firstDifference;
                EXPECT_EQ(firstDifference, kFrameBlockSize) << "first different byte at " << firstDifference;
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
