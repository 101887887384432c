// SPDX-License-Identifier: GPL-2.0-or-later
// Process CPU time of the running capture over 10 s, with the synthetic
// camera and the preview into a fakesink (no display):
//   Bare         the same source and preview, no grab branch: the baseline
//   FormerGrab   plus the former grab branch (videoconvert to BGR, videoflip,
//                the sink's copy), for the figure before the one-pass sink
//   Capture      the capture library's own pipeline, permission word at 1 and
//                at 0 (a recording stops the copying)
// Prints each ratio to Bare; targets for Capture with permission 1: at most
// 1.3 at 640x480 and at most 1.5 at 1600x1200.
#include "device_list.h"
#include "vidcore_bench_support.h"

#include "filter/frameblock.h"

#include <benchmark/benchmark.h>
#include <gst/gst.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

using namespace vidcore;
using namespace vidcore_bench;

namespace {

constexpr auto kMeasured = std::chrono::seconds(10);
constexpr const char* kCamera
    = "videotestsrc is-live=true pattern=smpte horizontal-speed=2"
      " ! video/x-raw,format=I420,framerate=30/1 ! timeoverlay font-desc=\"Sans 16\""
      " ! videobalance ! videoconvert ! videoscale";

std::string Size(const benchmark::State& state)
{
    return std::to_string(state.range(0)) + "x" + std::to_string(state.range(1));
}

std::map<std::string, double> share;
uint32_t* permission = nullptr;

void RunLaunched(benchmark::State& state, const std::string& tail, const char* name)
{
    const std::string line = std::string(kCamera) + " ! video/x-raw,width=" + std::to_string(state.range(0))
        + ",height=" + std::to_string(state.range(1)) + " ! tee name=t t. ! queue ! videoconvert"
        + " ! fakesink sync=false" + tail;
    for (auto _ : state) {
        const double used = LaunchedCoreShare(state, line, kMeasured);
        if (used < 0)
            return;
        state.counters["core_share"] = used;
        share[std::string(name) + "/" + Size(state)] = used;
    }
}

void BM_Bare(benchmark::State& state) { RunLaunched(state, "", "Bare"); }

void BM_FormerGrab(benchmark::State& state)
{
    frameblock::StoreWord(permission, 0, 1);
    RunLaunched(state,
        " t. ! queue leaky=downstream max-size-buffers=3 max-size-bytes=0 max-size-time=0 ! videoconvert"
        " ! video/x-raw,format=BGR ! videoflip video-direction=vert ! Snapwell_Quillon",
        "FormerGrab");
}

void BM_Capture(benchmark::State& state)
{
    frameblock::StoreWord(permission, 0, uint32_t(state.range(2)));
    auto videos = ListDevices(DeviceKind::Video);
    CaptureOptions options;
    options.video = videos.back();
    options.width = int(state.range(0));
    options.height = int(state.range(1));
    for (auto _ : state) {
        auto session = OpenCapture(state, options);
        if (!session)
            return;
        const double used = CoreShareWhileRunning(kMeasured);
        state.counters["core_share"] = used;
        share["Capture" + std::to_string(state.range(2)) + "/" + Size(state)] = used;
    }
}

} // namespace

BENCHMARK(BM_Bare)->Args({ 640, 480 })->Args({ 1600, 1200 })->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_FormerGrab)->Args({ 640, 480 })->Args({ 1600, 1200 })->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Capture)
    ->Args({ 640, 480, 1 })
    ->Args({ 1600, 1200, 1 })
    ->Args({ 640, 480, 0 })
    ->Args({ 1600, 1200, 0 })
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    ::setenv("VIDCORE_TEST_DEVICES", "1", 1);
    ::setenv("GST_PLUGIN_PATH", GLIMVIEW_PLUGIN_DIR, 0);
    gst_init(&argc, &argv);
    // The frame maps, as the application creates them.
    permission = CreateFrameMaps();
    if (!permission) {
        std::fprintf(stderr, "the frame maps exist already (is Glimview running?)\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("\nprocess CPU against the same source and preview without a grab branch:\n");
    for (const char* size : { "640x480", "1600x1200" }) {
        const double bare = share[std::string("Bare/") + size];
        for (const char* run : { "FormerGrab", "Capture1", "Capture0" }) {
            const double used = share[std::string(run) + "/" + size];
            if (bare > 0 && used > 0)
                std::printf("  %-10s %-9s %5.1f %% of a core against %5.1f %%, ratio %.2f\n", run, size,
                    used * 100, bare * 100, used / bare);
        }
    }
    std::printf("targets for Capture1: <= 1.3 at 640x480, <= 1.5 at 1600x1200\n");
    RemoveFrameMaps();
    benchmark::Shutdown();
    return 0;
}
