// SPDX-License-Identifier: GPL-2.0-or-later
// The three recording file types with the synthetic camera at 30 fps, at
// 640x480 and at 1600x1200, 10 s each:
//   Launched  gst-launch-1.0 running the same source, encoder and muxer into
//             a file: the baseline, measured in the same run
//   Capture   the capture library's whole pipeline while it records: the
//             preview into a fakesink (no display), the frame grab with its
//             permission at 0, as during a recording, and the recording
// Both leave the sound out: avmux_asf in a plain gst-launch-1.0 line with two
// live streams holds the picture back until its queue fills, and stalls.
// Prints per type and size the process CPU of Capture against Launched
// (target: at most 1.2), the frames the recording dropped (target: none at
// 640x480; reported at 1600x1200) and the file size per minute.
#include "device_list.h"
#include "recording_branch.h"
#include "vidcore_bench_support.h"

#include "filter/frameblock.h"

#include <benchmark/benchmark.h>
#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace vidcore;
using namespace vidcore_bench;

namespace {

constexpr auto kMeasured = std::chrono::seconds(10);
// The synthetic camera, as the capture library makes it.
constexpr const char* kCamera
    = "videotestsrc is-live=true pattern=smpte horizontal-speed=2"
      " ! video/x-raw,format=I420,framerate=30/1 ! timeoverlay font-desc=\"Sans 16\"";

struct TypeLine {
    RecordingType type;
    const char* name;
    const char* extension;
};
constexpr TypeLine kTypes[] = {
    { RecordingType::Asf, "ASF", "wmv" },
    { RecordingType::Mp4, "MP4", "mp4" },
    { RecordingType::WebM, "WebM", "webm" },
};

const TypeLine& TypeOf(const benchmark::State& state) { return kTypes[state.range(0)]; }

std::string Size(const benchmark::State& state)
{
    return std::to_string(state.range(1)) + "x" + std::to_string(state.range(2));
}

std::string Key(const benchmark::State& state) { return std::string(TypeOf(state).name) + " " + Size(state); }

std::string ScratchFile(const benchmark::State& state, const char* run)
{
    return "/tmp/vidcore-types-bench-" + std::to_string(::getpid()) + "-" + run + "."
        + TypeOf(state).extension;
}

int Bitrate(int width, int height)
{
    // As the recording branch scales it: 3 Mbit/s at 640x480, 1 to 12 Mbit/s.
    return int(std::clamp(3000000.0 * width * height / (640.0 * 480.0), 1000000.0, 12000000.0));
}

// The encoder and muxer of the type, set as the recording branch sets them.
std::string EncodeAndMux(RecordingType type, int width, int height)
{
    const std::string bits = std::to_string(Bitrate(width, height));
    const std::string raw = "video/x-raw,format=I420,colorimetry=bt601 ! ";
    switch (type) {
    case RecordingType::Mp4:
        return raw + "x264enc speed-preset=veryfast tune=zerolatency key-int-max=60 bitrate="
            + std::to_string(Bitrate(width, height) / 1000) + " ! mp4mux fragment-duration=1000";
    case RecordingType::WebM:
        return raw + "vp8enc deadline=1 cpu-used=8 threads="
            + std::to_string(std::clamp(std::thread::hardware_concurrency(), 1u, 4u))
            + " lag-in-frames=0 end-usage=cbr keyframe-max-dist=60 target-bitrate=" + bits + " ! webmmux";
    default:
        return raw + "avenc_wmv2 bitrate=" + bits + " ! avmux_asf";
    }
}

struct Figures {
    double launched = 0; // core share
    double capture = 0;
    double dropped = -1;
    double bytesPerMinute = 0;
};
std::map<std::string, Figures> figures;

// The CPU time a process has used so far, in seconds, as /proc tells it.
double ProcessCpuSeconds(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The fields after the command name, which may hold spaces, in brackets.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i == 14 || i == 15) // utime, stime
            ticks += std::atof(field.c_str());
    return ticks / double(::sysconf(_SC_CLK_TCK));
}

// The share of one core that gst-launch-1.0 running `line` uses over
// `measured`, from one second after its start; negative, with the benchmark
// skipped, when it ends early.
double GstLaunchCoreShare(benchmark::State& state, const std::string& line, std::chrono::seconds measured)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl("/bin/sh", "sh", "-c", ("exec gst-launch-1.0 -q " + line + " > /dev/null").c_str(), nullptr);
        ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::seconds(1)); // past the start
    const double before = ProcessCpuSeconds(child);
    std::this_thread::sleep_for(measured);
    const double after = ProcessCpuSeconds(child);
    const bool running = ::waitpid(child, nullptr, WNOHANG) == 0;
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    if (!running) {
        state.SkipWithError("gst-launch-1.0 ended early");
        return -1;
    }
    return (after - before) / std::chrono::duration<double>(measured).count();
}

void BM_Launched(benchmark::State& state)
{
    const int width = int(state.range(1));
    const int height = int(state.range(2));
    const std::string file = ScratchFile(state, "launched");
    std::string camera = kCamera;
    camera.replace(camera.find("\"Sans 16\""), 9, "'Sans 16'"); // for the shell
    const std::string line = camera + " ! videoconvert ! videoscale ! video/x-raw,width="
        + std::to_string(width) + ",height=" + std::to_string(height) + " ! queue ! videoconvert ! "
        + EncodeAndMux(TypeOf(state).type, width, height) + " ! filesink location=" + file;
    for (auto _ : state) {
        const double used = GstLaunchCoreShare(state, line, kMeasured);
        if (used < 0)
            return;
        state.counters["core_share"] = used;
        figures[Key(state)].launched = used;
    }
    std::remove(file.c_str());
}

void BM_Capture(benchmark::State& state)
{
    const std::string file = ScratchFile(state, "capture");
    CaptureOptions options;
    options.video = ListDevices(DeviceKind::Video).back();
    options.width = int(state.range(1));
    options.height = int(state.range(2));
    for (auto _ : state) {
        std::remove(file.c_str()); // a recording creates its file anew
        auto session = OpenCapture(state, options);
        if (!session)
            return;
        std::string error;
        const auto start = std::chrono::steady_clock::now();
        if (!session->StartRecording(file, TypeOf(state).type, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        const double used = CoreShareWhileRunning(kMeasured);
        session->StopRecording();
        const double seconds
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const auto counts = session->LastRecordingCounts();
        struct stat info { };
        ::stat(file.c_str(), &info);
        Figures& figure = figures[Key(state)];
        figure.capture = used;
        figure.dropped = std::max(0.0, double(counts->videoIn.load()) - double(counts->videoMuxed.load()));
        figure.bytesPerMinute = double(info.st_size) / seconds * 60;
        state.counters["core_share"] = used;
        state.counters["frames_dropped"] = figure.dropped;
        state.counters["MB_per_minute"] = figure.bytesPerMinute / 1e6;
    }
    std::remove(file.c_str());
}

void Arguments(benchmark::internal::Benchmark* benchmark)
{
    for (int64_t type = 0; type < int64_t(std::size(kTypes)); ++type) {
        benchmark->Args({ type, 640, 480 });
        benchmark->Args({ type, 1600, 1200 });
    }
}

} // namespace

BENCHMARK(BM_Launched)->Apply(Arguments)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Capture)->Apply(Arguments)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    ::setenv("VIDCORE_TEST_DEVICES", "1", 1);
    ::setenv("GST_PLUGIN_PATH", GLIMVIEW_PLUGIN_DIR, 0);
    gst_init(&argc, &argv);
    // The frame maps, as the application creates them; a recording stops the
    // copying into them.
    uint32_t* permission = CreateFrameMaps();
    if (!permission) {
        std::fprintf(stderr, "the frame maps exist already (is Glimview running?)\n");
        return 1;
    }
    frameblock::StoreWord(permission, 0, 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("\nrecording with the whole capture against gst-launch-1.0 with the same source, "
                "encoder and muxer:\n");
    for (const auto& [key, figure] : figures) {
        if (figure.launched <= 0 || figure.capture <= 0)
            continue;
        std::printf("  %-15s %5.1f %% of a core against %5.1f %%, ratio %.2f; %.0f frames dropped; "
                    "%.1f MB a minute\n",
            key.c_str(), figure.capture * 100, figure.launched * 100, figure.capture / figure.launched,
            figure.dropped, figure.bytesPerMinute / 1e6);
    }
    std::printf("targets: ratio <= 1.2; no frame dropped at 640x480\n");
    RemoveFrameMaps();
    benchmark::Shutdown();
    return 0;
}
