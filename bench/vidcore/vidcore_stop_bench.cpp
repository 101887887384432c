// SPDX-License-Identifier: GPL-2.0-or-later
// How long AM_CaptureVideoQuit takes after 10 s of ASF recording with the
// synthetic camera and microphone, at 640x480 and 1600x1200, against ending a
// plain GStreamer pipeline that encodes the same live picture with the same
// encoder and muxer (end-of-stream sent to it, until the file is complete). Target: at most 0.5 s at every
// size. Each run also checks that the clip is complete: ffprobe reads a duration close to the time recorded.
#include "vidcore.h"

#include <benchmark/benchmark.h>
#include <gst/gst.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kRecorded = std::chrono::seconds(10);

std::string ScratchFile(const std::string& name)
{
    return "/tmp/vidcore-stop-bench-" + std::to_string(::getpid()) + "-" + name;
}

double Seconds(Clock::duration span) { return std::chrono::duration<double>(span).count(); }

// The duration ffprobe reads from the file's container, or -1.
double ProbedDuration(const std::string& file)
{
    const std::string command
        = "ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 '" + file + "' 2>/dev/null";
    std::unique_ptr<FILE, decltype(&pclose)> pipe(popen(command.c_str(), "r"), pclose);
    std::array<char, 64> line {};
    if (!pipe || !fgets(line.data(), line.size(), pipe.get()))
        return -1;
    return std::atof(line.data());
}

void ChooseSyntheticDevices()
{
    int32_t count = 0;
    AM_GetDeviceNum(&count);
    AM_ChooseVideoDevice(count - 1);
    AM_GetAudioDeviceNum(&count);
    AM_ChooseAudioDevice(count - 1);
}

std::map<std::string, double> stopSeconds;

std::string Key(const char* kind, const benchmark::State& state)
{
    return std::string(kind) + "/" + std::to_string(state.range(0)) + (state.range(2) ? "/loaded" : "");
}

// Two threads that spin for as long as the object lives.
class BusyLoad {
public:
    explicit BusyLoad(bool on)
    {
        for (int i = 0; on && i < 2; ++i)
            threads_.emplace_back([this] {
                while (!stop_.load(std::memory_order_relaxed)) { }
            });
    }
    ~BusyLoad()
    {
        stop_ = true;
        for (std::thread& thread : threads_)
            thread.join();
    }

private:
    std::atomic<bool> stop_ { false };
    std::vector<std::thread> threads_;
};

void BM_CaptureVideoQuit(benchmark::State& state)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    const std::string file = ScratchFile("clip.wmv");
    ChooseSyntheticDevices();
    // A first opening of a device starts at 640x480; the size is set after it.
    if (!AM_OpenCaptureWindow(0, 0, 0)) {
        state.SkipWithError("the capture does not open");
        return;
    }
    AM_SetVideoFormat(width, height);
    AM_SetVideoType(1);
    BusyLoad load(state.range(2) != 0);
    for (auto _ : state) {
        std::remove(file.c_str()); // a recording creates its file anew
        AM_SetCaptureFile(0, file.c_str());
        if (!AM_CaptureVideo(0)) {
            state.SkipWithError("the recording does not start");
            break;
        }
        const auto started = Clock::now();
        std::this_thread::sleep_for(kRecorded); // the clip's length
        const auto stopping = Clock::now();
        AM_CaptureVideoQuit(0);
        const double seconds = Seconds(Clock::now() - stopping);
        state.SetIterationTime(seconds);
        const double recorded = Seconds(stopping - started);
        const double probed = ProbedDuration(file);
        state.counters["clip_s"] = probed;
        state.counters["recorded_s"] = recorded;
        stopSeconds[Key("vidcore", state)] = seconds;
        if (probed < recorded - 0.5)
            state.SkipWithError("the clip is shorter than the recording");
    }
    AM_VidCapCloseWindow(0);
    AM_VidCapDestroyWindow(0);
    std::remove(file.c_str());
}

// The same live picture encoded by a plain pipeline: the time from
// end-of-stream sent to it to the muxer's end-of-stream at the file.
void BM_PlainPipelineEnd(benchmark::State& state)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    const std::string file = ScratchFile("plain.wmv");
    const std::string description = "videotestsrc is-live=true pattern=smpte horizontal-speed=2"
                                    " ! video/x-raw,format=I420,framerate=30/1,width="
        + std::to_string(width) + ",height=" + std::to_string(height)
        + " ! timeoverlay ! queue leaky=downstream max-size-buffers=3 ! avenc_wmv2 ! avmux_asf"
          " ! filesink location="
        + file;
    for (auto _ : state) {
        GError* error = nullptr;
        GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
        if (error) {
            state.SkipWithError(error->message);
            g_clear_error(&error);
            break;
        }
        BusyLoad load(state.range(2) != 0);
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        std::this_thread::sleep_for(kRecorded);
        const auto stopping = Clock::now();
        gst_element_send_event(pipeline, gst_event_new_eos());
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, 60 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        const double seconds = Seconds(Clock::now() - stopping);
        if (!message || GST_MESSAGE_TYPE(message) != GST_MESSAGE_EOS)
            state.SkipWithError("the plain pipeline did not end");
        if (message)
            gst_message_unref(message);
        gst_object_unref(bus);
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
        state.SetIterationTime(seconds);
        stopSeconds[Key("plain", state)] = seconds;
    }
    std::remove(file.c_str());
}

} // namespace

#define STOP_CASES(name)                                                                                     \
    BENCHMARK(name)                                                                                          \
        ->Args({ 640, 480, 0 })                                                                              \
        ->Args({ 1600, 1200, 0 })                                                                            \
        ->Args({ 1600, 1200, 1 })                                                                            \
        ->Iterations(1)                                                                                      \
        ->UseManualTime()                                                                                    \
        ->Unit(benchmark::kMillisecond)
STOP_CASES(BM_PlainPipelineEnd);
STOP_CASES(BM_CaptureVideoQuit);

int main(int argc, char** argv)
{
    ::setenv("VIDCORE_TEST_DEVICES", "1", 1);
    ::setenv("GST_PLUGIN_PATH", GLIMVIEW_PLUGIN_DIR, 0);
    gst_init(&argc, &argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf(
        "\nAM_CaptureVideoQuit after 10 s of ASF (target <= 0.5 s), against ending a plain pipeline:\n");
    for (const char* run : { "640", "1600", "1600/loaded" }) {
        const double vidcore = stopSeconds["vidcore/" + std::string(run)];
        const double plain = stopSeconds["plain/" + std::string(run)];
        if (vidcore > 0 && plain > 0)
            std::printf("  width %-12s %.3f s, plain pipeline %.3f s, ratio %.2f\n", run, vidcore, plain,
                vidcore / plain);
    }
    benchmark::Shutdown();
    return 0;
}
