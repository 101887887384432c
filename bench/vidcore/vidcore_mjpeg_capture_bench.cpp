// SPDX-License-Identifier: GPL-2.0-or-later
// Process CPU time over 10 s of an MJPEG webcam at 1600x1200 (the test
// plugin's fake one, 30 fps), preview without a window (a fakesink):
//   Launched  what gst-launch-1.0 runs to decode and preview the camera:
//             jpegparse, jpegdec and the preview's queue, videoconvert and
//             videoscale: the baseline
//   Capture   the capture library's whole capture of the same camera at the
//             same size: decoding, preview and the frame grab (permission 1)
// Prints the ratio to Launched; target at most 1.3.
#include "capture_session.h"
#include "device_list.h"
#include "gst_runtime.h"

#include "filter/frameblock.h"
#include "tests/filter/shared_map.h"

#include <benchmark/benchmark.h>
#include <gst/gst.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <unistd.h>

using namespace vidcore;

namespace {

constexpr auto kMeasured = std::chrono::seconds(10);
constexpr const char* kCameraName = "MJPEG Webcam";

double ProcessCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The share of one core the process used over the measured span.
double CoreShareWhileRunning()
{
    std::this_thread::sleep_for(std::chrono::seconds(1)); // past the start
    const double before = ProcessCpuSeconds();
    std::this_thread::sleep_for(kMeasured);
    return (ProcessCpuSeconds() - before) / std::chrono::duration<double>(kMeasured).count();
}

std::map<std::string, double> share;

void BM_Launched(benchmark::State& state)
{
    const std::string line
        = "fakecamsrc device=mjpeg ! image/jpeg,width=1600,height=1200,framerate=30/1"
          " ! jpegparse ! jpegdec ! queue leaky=downstream max-size-buffers=3 max-size-bytes=0"
          " max-size-time=0 ! videoconvert ! videoscale ! fakesink sync=false";
    for (auto _ : state) {
        GError* error = nullptr;
        GstElement* pipeline = gst_parse_launch(line.c_str(), &error);
        if (error) {
            state.SkipWithError(error->message);
            g_clear_error(&error);
            return;
        }
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        const double used = CoreShareWhileRunning();
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
        state.counters["core_share"] = used;
        share["Launched"] = used;
    }
}

void BM_Capture(benchmark::State& state)
{
    EnsureGstReady();
    CaptureOptions options;
    for (const DeviceEntry& entry : ListDevices(DeviceKind::Video))
        if (entry.name == kCameraName)
            options.video = entry;
    if (!options.video.device) {
        state.SkipWithError("the fake webcam is not listed (fakecam plugin missing?)");
        return;
    }
    options.width = 1600;
    options.height = 1200;
    for (auto _ : state) {
        std::string error;
        auto session = CaptureSession::Open(options, &error);
        if (!session) {
            state.SkipWithError(error.c_str());
            return;
        }
        const uint64_t grabbed = session->Counts().grab.load();
        const double used = CoreShareWhileRunning();
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
    const std::string devices = "/tmp/vidcore-mjpeg-bench-" + std::to_string(::getpid()) + ".ini";
    std::ofstream(devices) << "[mjpeg]\nprovider=v4l2\nname=" << kCameraName
                           << "\npath=/dev/video0\ncaps=image/jpeg,width=1600,height=1200,framerate=30/1\n";
    ::setenv("FAKECAM_DEVICES", devices.c_str(), 1);
    ::setenv("GST_PLUGIN_PATH", GLIMVIEW_PLUGIN_DIR ":" GLIMVIEW_FAKECAM_PLUGIN_DIR, 1);
    // Maps of its own, beside a running Glimview's.
    const std::string suffix = ".bench-mjpeg-" + std::to_string(::getpid());
    ::setenv(frameblock::kMapSuffixVariable, suffix.c_str(), 1);
    gst_init(&argc, &argv);
    void* block = snapwell_test::CreateSharedMap(
        frameblock::MapFilePath(frameblock::kFrameBlockMapName), frameblock::kFrameBlockSize, true);
    auto* permission = static_cast<uint32_t*>(snapwell_test::CreateSharedMap(
        frameblock::MapFilePath(frameblock::kPermissionMapName), frameblock::kPermissionSize, true));
    if (!block || !permission) {
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
    ::unlink(frameblock::MapFilePath(frameblock::kFrameBlockMapName).c_str());
    ::unlink(frameblock::MapFilePath(frameblock::kPermissionMapName).c_str());
    ::unlink(devices.c_str());
    benchmark::Shutdown();
    return 0;
}
