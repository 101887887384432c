// SPDX-License-Identifier: GPL-2.0-or-later
// Recording throughput and real-time behaviour of the capture library.
//
// 1. Frames per second the ASF recording branch encodes at 640x480, fed as
//    fast as a test source can, against gst-launch-1.0 encoding the same
//    synthetic frames with the same encoder and muxer (target ratio >= 0.9).
// 2. The synthetic camera at 30 fps, 640x480, recorded to ASF for 20 s while
//    the preview and frame grab run: dropped preview and recorded frames
//    (target: none).
// 3. Whether the ASF branch keeps up with a live camera at each capture size
//    at 30 and at 15 fps: frames its queue had to drop in 5 s (keeping up: none).
#include "capture_session.h"
#include "device_list.h"
#include "gst_runtime.h"
#include "recording_branch.h"

#include <benchmark/benchmark.h>
#include <gst/gst.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>

using namespace vidcore;

namespace {

constexpr int kFrames = 600;
constexpr const char* kSyntheticFrames
    = "videotestsrc pattern=smpte horizontal-speed=2 num-buffers=600"
      " ! video/x-raw,format=I420,width=640,height=480,framerate=30/1 ! timeoverlay";

std::string ScratchFile(const char* name)
{
    return std::string("/tmp/vidcore-bench-") + std::to_string(::getpid()) + "-" + name;
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double baselineFps = 0;

void BM_GstLaunchAsf(benchmark::State& state)
{
    const std::string file = ScratchFile("baseline.wmv");
    const std::string command = std::string("gst-launch-1.0 -q ") + kSyntheticFrames
        + " ! avenc_wmv2 bitrate=3000000 ! avmux_asf ! filesink location=" + file;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("gst-launch-1.0 failed");
        baselineFps = kFrames / Seconds(start);
    }
    std::remove(file.c_str());
    state.counters["fps"] = baselineFps;
}

void BM_RecordingBranchAsf(benchmark::State& state)
{
    EnsureGstReady();
    const std::string file = ScratchFile("branch.wmv");
    double fps = 0;
    for (auto _ : state) {
        std::remove(file.c_str()); // a recording creates its file anew
        GError* error = nullptr;
        GstElement* pipeline = gst_parse_launch(
            (std::string(kSyntheticFrames) + " ! tee name=t allow-not-linked=true").c_str(), &error);
        if (error) {
            state.SkipWithError(error->message);
            g_clear_error(&error);
            return;
        }
        g_object_set(pipeline, "message-forward", TRUE, nullptr);
        GstElement* tee = gst_bin_get_by_name(GST_BIN(pipeline), "t");
        // Attached before any frame flows, so that every frame is offered to it.
        gst_element_set_state(pipeline, GST_STATE_READY);
        RecordingOptions options { file, RecordingType::Asf, 640, 480, std::nullopt, nullptr };
        auto counts = std::make_shared<RecordingCounts>();
        std::string why;
        auto branch = RecordingBranch::Start(pipeline, tee, options, counts, &why);
        if (!branch || !branch->Attach(&why)) {
            state.SkipWithError(why.c_str());
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, 120 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        const double seconds = Seconds(start);
        if (!message || GST_MESSAGE_TYPE(message) != GST_MESSAGE_EOS)
            state.SkipWithError("the recording branch did not finish");
        if (message)
            gst_message_unref(message);
        gst_object_unref(bus);
        fps = double(counts->videoMuxed.load()) / seconds;
        state.counters["frames_encoded"] = double(counts->videoMuxed.load());
        state.counters["frames_offered"] = double(counts->videoIn.load());
        branch.reset();
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(tee);
        gst_object_unref(pipeline);
    }
    std::remove(file.c_str());
    state.counters["fps"] = fps;
    if (baselineFps > 0) {
        state.counters["ratio_vs_gst_launch"] = fps / baselineFps;
        std::printf("ASF branch %.1f fps, gst-launch-1.0 %.1f fps, ratio %.2f (target >= 0.9)\n", fps,
            baselineFps, fps / baselineFps);
    }
}

void BM_RealTimeRecording20s(benchmark::State& state)
{
    const std::string file = ScratchFile("realtime.wmv");
    for (auto _ : state) {
        std::remove(file.c_str()); // a recording creates its file anew
        ::setenv("VIDCORE_TEST_DEVICES", "1", 1);
        auto videos = ListDevices(DeviceKind::Video);
        auto audios = ListDevices(DeviceKind::Audio);
        CaptureOptions options;
        options.video = videos.back();
        options.audio = audios.back();
        std::string error;
        auto session = CaptureSession::Open(options, &error);
        if (!session) {
            state.SkipWithError(error.c_str());
            return;
        }
        const auto& counts = session->Counts();
        const uint64_t source0 = counts.source, preview0 = counts.preview, grab0 = counts.grab;
        if (!session->StartRecording(file, RecordingType::Asf, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        std::this_thread::sleep_for(std::chrono::seconds(20)); // the measured span
        session->StopRecording();
        const auto recording = session->LastRecordingCounts();
        const double source = double(counts.source - source0);
        const double preview = double(counts.preview - preview0);
        const double grab = double(counts.grab - grab0);
        const double offered = double(recording->videoIn.load());
        const double encoded = double(recording->videoMuxed.load());
        // Frames in flight at the end of the span are not drops: one of
        // slack per branch.
        state.counters["camera_frames"] = source;
        state.counters["preview_dropped"] = std::max(0.0, source - preview - 1);
        state.counters["grab_dropped"] = std::max(0.0, source - grab - 1);
        state.counters["recorded_frames"] = encoded;
        state.counters["recording_dropped"] = std::max(0.0, offered - encoded);
        std::printf("20 s at 30 fps: camera %.0f, preview %.0f, grab %.0f, offered to recording %.0f, "
                    "recorded %.0f\n",
            source, preview, grab, offered, encoded);
    }
    std::remove(file.c_str());
}

void BM_KeepsUp(benchmark::State& state)
{
    EnsureGstReady();
    const int width = int(state.range(0)), height = int(state.range(1)), fps = int(state.range(2));
    const std::string file = ScratchFile("keepsup.wmv");
    const std::string line
        = "videotestsrc is-live=true pattern=smpte horizontal-speed=2 ! video/x-raw,format=I420,width="
        + std::to_string(width) + ",height=" + std::to_string(height) + ",framerate=" + std::to_string(fps)
        + "/1 ! timeoverlay ! tee name=t allow-not-linked=true";
    for (auto _ : state) {
        std::remove(file.c_str()); // a recording creates its file anew
        GstElement* pipeline = gst_parse_launch(line.c_str(), nullptr);
        g_object_set(pipeline, "message-forward", TRUE, nullptr);
        GstElement* tee = gst_bin_get_by_name(GST_BIN(pipeline), "t");
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        RecordingOptions options { file, RecordingType::Asf, width, height, std::nullopt, nullptr };
        auto counts = std::make_shared<RecordingCounts>();
        std::string why;
        auto branch = RecordingBranch::Start(pipeline, tee, options, counts, &why);
        if (!branch || !branch->Attach(&why)) {
            state.SkipWithError(why.c_str());
            return;
        }
        std::this_thread::sleep_for(std::chrono::seconds(5));
        branch->SendEndOfStream();
        // The queue works off its last frames; then every frame is counted.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const double offered = double(counts->videoIn.load());
        const double dropped = std::max(0.0, offered - double(counts->videoQueuedOut.load()));
        if (offered == 0) {
            state.SkipWithError("no frame reached the recording");
            return;
        }
        state.counters["offered"] = offered;
        state.counters["dropped"] = dropped;
        std::printf("%dx%d at %d fps: offered %.0f, dropped %.0f -> %s\n", width, height, fps, offered,
            dropped, dropped == 0 ? "keeps up" : "falls behind");
        branch.reset();
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(tee);
        gst_object_unref(pipeline);
    }
    std::remove(file.c_str());
}

} // namespace

BENCHMARK(BM_KeepsUp)
    ->Args({ 320, 240, 30 })
    ->Args({ 320, 240, 15 })
    ->Args({ 640, 480, 30 })
    ->Args({ 640, 480, 15 })
    ->Args({ 800, 600, 30 })
    ->Args({ 800, 600, 15 })
    ->Args({ 1024, 768, 30 })
    ->Args({ 1024, 768, 15 })
    ->Args({ 1280, 1024, 30 })
    ->Args({ 1280, 1024, 15 })
    ->Args({ 1600, 1200, 30 })
    ->Args({ 1600, 1200, 15 })
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_GstLaunchAsf)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RecordingBranchAsf)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RealTimeRecording20s)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    // The frame sink lives in the build's plugin folder.
    ::setenv("GST_PLUGIN_PATH", GLIMVIEW_PLUGIN_DIR, 0);
    gst_init(&argc, &argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
