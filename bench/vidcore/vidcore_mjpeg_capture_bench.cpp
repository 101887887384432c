// SPDX-License-Identifier: GPL-2.0-or-later
// Process CPU time over 10 s of an MJPEG webcam at 1600x1200 (the test
// plugin's fake one, 30 fps), preview without a window (a fakesink):
//   Launched  what gst-launch-1.0 runs to decode and preview the camera:
//             jpegparse, jpegdec and the preview's queue, videoconvert and
//             videoscale: the baseline
//   Capture   the capture library's whole capture of the same camera at the
//             same size: decoding, preview and the frame grab (permission 1)
// Prints the ratio to Launched; target at most 1.3.
#include "vidcore_bench_support.h"

#include "filter/frameblock.h"

#include <benchmark/benchmark.h>
#include <gst/gst.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <unistd.h>

using namespace vidcore;
using namespace vidcore_bench;

namespace {

constexpr auto kMeasured = std::chrono::seconds(10);
constexpr const char* kCameraName = "MJPEG Webcam";

std::map<std::string, double> share;

void BM_Launched(benchmark::State& state)
{
    const std::string line
        = "fakecamsrc device=mjpeg ! image/jpeg,width=1600,height=1200,framerate=30/1"
          " ! jpegparse ! jpegdec ! queue leaky=downstream max-size-buffers=3 max-size-bytes=0"
          " max-size-time=0 ! videoconvert ! videoscale ! fakesink sync=false";
    for (auto _ : state) {
        const double used = LaunchedCoreShare(state, line, kMeasured);
        if (used < 0)
            return;
        state.counters["core_share"] = used;
        share["Launched"] = used;
    }
}

void BM_Capture(benchmark::State& state)
{
    CaptureOptions options;
    if (!ChooseCamera(state, kCameraName, options))
        return;
    options.width = 1600;
    options.height = 1200;
    for (auto _ : state) {
        auto session = OpenCapture(state, options);
        if (!session)
            return;
        const uint64_t grabbed = session->Counts().grab.load();
        const double used = CoreShareWhileRunning(kMeasured);
        if (session->Counts().grab.load() == grabbed)
            state.SkipWithError("no frame reached the frame sink");
        state.counters["core_share"] = used;
        share["Capture"] = used;
    }
}

} // namespace

BENCHMARK(BM_Launched)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Capture)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    const std::string devices = UseFakeDevices("mjpeg-bench",
        std::string("[mjpeg]\nprovider=v4l2\nname=") + kCameraName
            + "\npath=/dev/video0\ncaps=image/jpeg,width=1600,height=1200,framerate=30/1\n");
    // Maps of its own, beside a running Glimview's.
    const std::string suffix = ".bench-mjpeg-" + std::to_string(::getpid());
    ::setenv(frameblock::kMapSuffixVariable, suffix.c_str(), 1);
    gst_init(&argc, &argv);
    uint32_t* permission = CreateFrameMaps();
    if (!permission) {
        std::fprintf(stderr, "the frame maps cannot be created\n");
        return 1;
    }
    frameblock::StoreWord(permission, 0, 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (share["Launched"] > 0 && share["Capture"] > 0)
        std::printf("\nMJPEG 1600x1200: capture %.1f %% of a core against gst-launch's %.1f %%, ratio %.2f"
                    " (target <= 1.3)\n",
            share["Capture"] * 100, share["Launched"] * 100, share["Capture"] / share["Launched"]);
    RemoveFrameMaps();
    ::unlink(devices.c_str());
    benchmark::Shutdown();
    return 0;
}
