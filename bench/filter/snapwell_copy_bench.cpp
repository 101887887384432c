// SPDX-License-Identifier: GPL-2.0-or-later
/* What one frame costs the sink, against a plain memcpy of the same bytes into
 * the same block:
 *   SinkCopy    the frame-block writing alone (header words, permission, copy)
 *   SinkRender  the whole element, one buffer pushed into its pad
 *   GrabI420    the whole element fed the camera's I420 frame, converting it
 *               into the block's bottom-up BGR rows (the grab branch's one pass)
 *   FormerGrab  videoconvert to BGR, videoflip and the sink, as the grab
 *               branch was before the sink converted itself
 *   Libyuv      the sink's conversion of one I420 frame alone
 *   Converter   GstVideoConverter's conversion of the same frame into the same
 *               rows, as the sink made it before it converted with libyuv
 * Prints each ratio to memcpy (targets: at most 1.10 for the copies, at most
 * 1.5 for the grab) and the conversion's ratio to GstVideoConverter. */
#include "filter/bgrconversion.h"
#include "filter/frameblock.h"
#include "filter/framewriter.h"
#include "tests/filter/shared_map.h"

#include <benchmark/benchmark.h>
#include <gst/check/gstharness.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace frameblock;

// Map files of this benchmark process alone (a suffix of its own), so a
// running Glimview is never touched.
class BenchFrameMaps {
public:
    BenchFrameMaps()
    {
        block_ = Create(kFrameBlockMapName, kFrameBlockSize);
        permission_ = Create(kPermissionMapName, kPermissionSize);
        if (permission_)
            StoreWord(permission_, 0, 1);
    }
    ~BenchFrameMaps()
    {
        for (auto [view, size, name] : { std::tuple { block_, kFrameBlockSize, kFrameBlockMapName },
                 std::tuple { permission_, kPermissionSize, kPermissionMapName } }) {
            if (view) {
                ::munmap(view, size);
                ::unlink(MapFilePath(name).c_str());
            }
        }
    }
    bool ok() const { return block_ && permission_; }
    unsigned char* block() const { return static_cast<unsigned char*>(block_); }
    void* permission() const { return permission_; }

private:
    static void* Create(const char* mapName, std::size_t size)
    {
        const std::string name = MapFilePath(mapName);
        void* view = snapwell_test::CreateSharedMap(name, size, true);
        if (!view)
            std::fprintf(stderr, "%s: %s (is Glimview running?)\n", name.c_str(), std::strerror(errno));
        return view;
    }

    void* block_ = nullptr;
    void* permission_ = nullptr;
};

BenchFrameMaps* maps = nullptr;

std::vector<unsigned char> Frame(std::size_t bytes)
{
    std::vector<unsigned char> frame(bytes);
    for (std::size_t i = 0; i < bytes; ++i)
        frame[i] = static_cast<unsigned char>(i * 31);
    return frame;
}

void SetBytes(benchmark::State& state, std::size_t bytes)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void Memcpy(benchmark::State& state)
{
    const std::size_t bytes = static_cast<std::size_t>(state.range(0) * state.range(1) * 3);
    const std::vector<unsigned char> frame = Frame(bytes);
    for (auto _ : state) {
        std::memcpy(maps->block(), frame.data(), bytes);
        benchmark::ClobberMemory();
    }
    SetBytes(state, bytes);
}

void SinkCopy(benchmark::State& state)
{
    const auto width = static_cast<int32_t>(state.range(0));
    const auto height = static_cast<int32_t>(state.range(1));
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    const std::vector<unsigned char> frame = Frame(rowBytes * height);
    const BitmapInfoHeader header = snapwell::MakeBitmapHeader(width, height);
    for (auto _ : state) {
        snapwell::StoreFrameWords(maps->block(), header);
        if (snapwell::CopyPermitted(maps->permission()))
            snapwell::CopyFrameBottomUp(maps->block(), frame.data(), rowBytes, rowBytes, height);
        benchmark::ClobberMemory();
    }
    SetBytes(state, frame.size());
}

void SinkRender(benchmark::State& state)
{
    const auto width = static_cast<int>(state.range(0));
    const auto height = static_cast<int>(state.range(1));
    const std::vector<unsigned char> frame = Frame(static_cast<std::size_t>(width) * height * 3);

    GstHarness* harness = gst_harness_new("Snapwell_Quillon");
    const std::string caps = "video/x-raw,format=BGR,width=" + std::to_string(width)
        + ",height=" + std::to_string(height) + ",framerate=30/1";
    gst_harness_set_src_caps_str(harness, caps.c_str());
    GstBuffer* buffer = gst_buffer_new_memdup(frame.data(), frame.size());

    for (auto _ : state) {
        if (gst_harness_push(harness, gst_buffer_ref(buffer)) != GST_FLOW_OK) {
            state.SkipWithError("the sink refused a frame");
            break;
        }
    }
    // The frame's first row is the block's last.
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    if (LoadWord(maps->block(), kFrameReadyOffset) != 1
        || std::memcmp(maps->block() + (height - 1) * rowBytes, frame.data(), rowBytes) != 0)
        state.SkipWithError("the frame did not reach the block");

    gst_buffer_unref(buffer);
    gst_harness_teardown(harness);
    SetBytes(state, frame.size());
}

// One I420 frame of the synthetic camera's size pushed through `element`.
void PushI420(benchmark::State& state, const char* element)
{
    const auto width = static_cast<int>(state.range(0));
    const auto height = static_cast<int>(state.range(1));
    GstHarness* harness = gst_harness_new_parse(element);
    const std::string caps = "video/x-raw,format=I420,width=" + std::to_string(width)
        + ",height=" + std::to_string(height) + ",framerate=30/1";
    gst_harness_set_src_caps_str(harness, caps.c_str());
    const std::vector<unsigned char> frame = Frame(static_cast<std::size_t>(width) * height * 3 / 2);
    GstBuffer* buffer = gst_buffer_new_memdup(frame.data(), frame.size());
    for (auto _ : state) {
        if (gst_harness_push(harness, gst_buffer_ref(buffer)) != GST_FLOW_OK) {
            state.SkipWithError("the grab refused a frame");
            break;
        }
    }
    if (LoadWord(maps->block(), kFrameReadyOffset) != 1)
        state.SkipWithError("no frame reached the block");
    gst_buffer_unref(buffer);
    gst_harness_teardown(harness);
    SetBytes(state, static_cast<std::size_t>(width) * height * 3);
}

void GrabI420(benchmark::State& state) { PushI420(state, "Snapwell_Quillon"); }

void FormerGrab(benchmark::State& state)
{
    PushI420(
        state, "videoconvert ! video/x-raw,format=BGR ! videoflip video-direction=vert ! Snapwell_Quillon");
}

// One mapped I420 frame of the bench's size, and the block's rows as a
// bottom-up BGR frame for GstVideoConverter.
struct I420Frame {
    explicit I420Frame(benchmark::State& state)
    {
        const auto width = static_cast<int>(state.range(0));
        const auto height = static_cast<int>(state.range(1));
        gst_video_info_set_format(&info, GST_VIDEO_FORMAT_I420, width, height);
        gst_video_info_set_format(&bgr, GST_VIDEO_FORMAT_BGR, width, height);
        bytes = Frame(GST_VIDEO_INFO_SIZE(&info));
        buffer = gst_buffer_new_wrapped_full(
            GST_MEMORY_FLAG_READONLY, bytes.data(), bytes.size(), 0, bytes.size(), nullptr, nullptr);
        gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ);
    }
    ~I420Frame()
    {
        gst_video_frame_unmap(&frame);
        gst_buffer_unref(buffer);
    }
    std::vector<unsigned char> bytes;
    GstVideoInfo info;
    GstVideoInfo bgr;
    GstBuffer* buffer;
    GstVideoFrame frame;
};

void Libyuv(benchmark::State& state)
{
    I420Frame source(state);
    snapwell::BgrConversion conversion;
    if (!conversion.Prepare(source.info)) {
        state.SkipWithError("libyuv has no conversion for I420");
        return;
    }
    for (auto _ : state) {
        conversion.Run(source.frame, maps->block());
        benchmark::ClobberMemory();
    }
    SetBytes(state,
        static_cast<std::size_t>(GST_VIDEO_INFO_WIDTH(&source.bgr)) * GST_VIDEO_INFO_HEIGHT(&source.bgr) * 3);
}

void Converter(benchmark::State& state)
{
    I420Frame source(state);
    // The settings the sink used before: videoconvert's defaults.
    GstVideoConverter* converter = gst_video_converter_new(&source.info, &source.bgr,
        gst_structure_new("GstVideoConvertConfig", GST_VIDEO_CONVERTER_OPT_DITHER_METHOD,
            GST_TYPE_VIDEO_DITHER_METHOD, GST_VIDEO_DITHER_BAYER, GST_VIDEO_CONVERTER_OPT_THREADS,
            G_TYPE_UINT, 1u, nullptr));
    const gint rowBytes = GST_VIDEO_INFO_WIDTH(&source.bgr) * 3;
    const gint height = GST_VIDEO_INFO_HEIGHT(&source.bgr);
    GstVideoFrame rows = {};
    rows.info = source.bgr;
    GST_VIDEO_INFO_PLANE_STRIDE(&rows.info, 0) = -rowBytes;
    rows.data[0] = maps->block() + static_cast<gsize>(height - 1) * rowBytes;
    for (auto _ : state) {
        gst_video_converter_frame(converter, &source.frame, &rows);
        benchmark::ClobberMemory();
    }
    gst_video_converter_free(converter);
    SetBytes(state, static_cast<std::size_t>(rowBytes) * height);
}

// The median of several repetitions, in CPU time: other processes on a busy
// machine then shift the baseline and the sink alike.
#define FRAME_SIZES(name)                                                                                    \
    BENCHMARK(name)                                                                                          \
        ->Args({ 640, 480 })                                                                                 \
        ->Args({ 1600, 1200 })                                                                               \
        ->Unit(benchmark::kMicrosecond)                                                                      \
        ->Repetitions(5)                                                                                     \
        ->ReportAggregatesOnly(true)
FRAME_SIZES(Memcpy);
FRAME_SIZES(SinkCopy);
FRAME_SIZES(SinkRender);
FRAME_SIZES(GrabI420);
FRAME_SIZES(FormerGrab);
FRAME_SIZES(Libyuv);
FRAME_SIZES(Converter);

// Keeps each median so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (!run.error_occurred && run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                times[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv)
{
    gst_init(&argc, &argv);
    gst_registry_scan_path(gst_registry_get(), GLIMVIEW_PLUGIN_DIR);
    benchmark::Initialize(&argc, argv);

    BenchFrameMaps frameMaps;
    if (!frameMaps.ok())
        return 1;
    maps = &frameMaps;

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto ratio = [&](const char* name, const char* baseline, const char* size) {
        const auto base = reporter.times.find(std::string(baseline) + "/" + size);
        const auto measured = reporter.times.find(std::string(name) + "/" + size);
        if (base != reporter.times.end() && measured != reporter.times.end())
            std::printf("  %-10s %-9s %.3f\n", name, size, measured->second / base->second);
    };
    std::printf("\nper-frame time against memcpy of the block's bytes"
                " (targets: copies <= 1.10, GrabI420 <= 1.5):\n");
    for (const char* size : { "640/480", "1600/1200" })
        for (const char* name : { "SinkCopy", "SinkRender", "GrabI420", "FormerGrab", "Libyuv" })
            ratio(name, "Memcpy", size);
    std::printf("conversion of one I420 frame, libyuv against GstVideoConverter:\n");
    for (const char* size : { "640/480", "1600/1200" })
        ratio("Libyuv", "Converter", size);
    benchmark::Shutdown();
    return 0;
}
