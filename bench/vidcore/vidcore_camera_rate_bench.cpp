// SPDX-License-Identifier: GPL-2.0-or-later
// Frames per second a typical UVC webcam (the test plugin's fake one, which
// offers YUY2 at 640x480 and MJPEG at 1600x1200, both at 30 fps) delivers
// into the frame block through the capture library, over 10 s, against the
// rate the camera offers at that size (target ratio >= 0.95).
#include "vidcore_bench_support.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

using namespace vidcore;
using namespace vidcore_bench;

namespace {

constexpr double kOfferedRate = 30.0;
constexpr auto kMeasured = std::chrono::seconds(10);

// The devices and the plugin, set before GStreamer starts.
const std::string devices = UseFakeDevices("rate-bench",
    "[uvc]\nprovider=v4l2\nname=HD Pro Webcam C920\npath=/dev/video0\nbus-info=usb-0000:00:14.0-1\n"
    "caps=image/jpeg,width=1600,height=1200,framerate=30/1;image/jpeg,width=640,height=480,framerate=30/1;"
    "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1;"
    "video/x-raw,format=YUY2,width=1600,height=1200,framerate=5/1\n");

void BM_CameraToFrameBlock(benchmark::State& state)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    CaptureOptions options;
    if (!ChooseCamera(state, "HD Pro Webcam C920", options))
        return;
    options.width = width;
    options.height = height;
    double fps = 0;
    for (auto _ : state) {
        auto session = OpenCapture(state, options);
        if (!session)
            return;
        const uint64_t before = session->Counts().grab.load();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(kMeasured); // the measuring span
        const double seconds
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        fps = double(session->Counts().grab.load() - before) / seconds;
    }
    state.counters["fps"] = fps;
    state.counters["ratio"] = fps / kOfferedRate;
    std::printf(
        "%dx%d: %.2f fps into the frame block, ratio %.3f against the offered %.0f fps (target >= 0.95)\n",
        width, height, fps, fps / kOfferedRate, kOfferedRate);
}

} // namespace

BENCHMARK(BM_CameraToFrameBlock)
    ->Args({ 640, 480 })
    ->Args({ 1600, 1200 })
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_MAIN();
