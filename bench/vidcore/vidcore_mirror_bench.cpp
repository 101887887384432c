// SPDX-License-Identifier: GPL-2.0-or-later
// Process CPU time of the running capture with the preview drawn into an X
// window (an Xvfb server of the benchmark's own), the live picture mirrored
// and not, in alternating rounds of one capture: glimagesink (the mirror is
// its rotate-method, applied as it draws) and ximagesink (the library's
// converting flip before it).
// Prints the ratio mirrored / unmirrored; target: at most 1.05 at 640x480
// and at 1600x1200, with either sink.
#include "device_list.h"
#include "preview_sink.h"
#include "vidcore_bench_support.h"

#include "XvfbServer.h"
#include "filter/frameblock.h"

#include <benchmark/benchmark.h>
#include <gst/gst.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>

using namespace vidcore;
using namespace vidcore_bench;

namespace {

// Eight rounds of 2 s each, half of them mirrored.
constexpr int kRounds = 8;
constexpr auto kRound = std::chrono::seconds(2);
constexpr auto kSettle = std::chrono::milliseconds(300);

std::unique_ptr<test_support::XvfbServer> server;
xcb_connection_t* connection = nullptr;
std::map<std::string, double> share;

// A shown top-level window of the given size on the benchmark's display.
uintptr_t MakeWindow(int width, int height)
{
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    const uint32_t black = screen->black_pixel;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, uint16_t(width),
        uint16_t(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL, &black);
    xcb_map_window(connection, window);
    xcb_flush(connection);
    return window;
}

const char* SinkName(PreviewSinkKind kind)
{
    return kind == PreviewSinkKind::OpenGL ? "glimagesink" : "ximagesink";
}

void Measure(benchmark::State& state, PreviewSinkKind kind)
{
    if (!connection) {
        state.SkipWithError("no X server");
        return;
    }
    // glimagesink is the first choice; giving it up leaves ximagesink.
    if (kind == PreviewSinkKind::XImage && PreviewSinkChoice() == PreviewSinkKind::OpenGL)
        GiveUpPreviewSink(PreviewSinkKind::OpenGL);
    if (PreviewSinkChoice() != kind) {
        state.SkipWithError("the sink cannot be had here");
        return;
    }
    CaptureOptions options;
    options.video = ListDevices(DeviceKind::Video).back();
    options.width = int(state.range(0));
    options.height = int(state.range(1));
    options.window = MakeWindow(options.width, options.height);
    for (auto _ : state) {
        auto session = OpenCapture(state, options);
        if (!session)
            return;
        std::this_thread::sleep_for(std::chrono::seconds(1)); // past the start
        // One running capture, the mirror turned on and off in the order
        // off, on, on, off, repeated: a drift of the machine's load falls on
        // both alike.
        double seconds[2] = { 0, 0 };
        for (int round = 0; round < kRounds; ++round) {
            const bool mirrored = ((round + 1) / 2) % 2 == 1;
            session->SetPreviewMirrored(mirrored);
            std::this_thread::sleep_for(kSettle);
            const double before = ProcessCpuSeconds();
            std::this_thread::sleep_for(kRound);
            seconds[mirrored] += ProcessCpuSeconds() - before;
        }
        const double each = std::chrono::duration<double>(kRound).count() * kRounds / 2;
        const std::string key = std::string(SinkName(kind)) + "/" + std::to_string(options.width) + "x"
            + std::to_string(options.height);
        share[key + "/off"] = seconds[0] / each;
        share[key + "/on"] = seconds[1] / each;
        state.counters["core_share_off"] = seconds[0] / each;
        state.counters["core_share_on"] = seconds[1] / each;
    }
    xcb_destroy_window(connection, xcb_window_t(options.window));
    xcb_flush(connection);
}

void BM_OpenGLPreview(benchmark::State& state) { Measure(state, PreviewSinkKind::OpenGL); }
void BM_XImagePreview(benchmark::State& state) { Measure(state, PreviewSinkKind::XImage); }

} // namespace

// Every OpenGL run comes first: the ximagesink runs give glimagesink up for
// the rest of the process.
BENCHMARK(BM_OpenGLPreview)
    ->Args({ 640, 480 })
    ->Args({ 1600, 1200 })
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_XImagePreview)
    ->Args({ 640, 480 })
    ->Args({ 1600, 1200 })
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    server = std::make_unique<test_support::XvfbServer>(1700, 1300, true);
    if (!server->display().empty()) {
        ::setenv("DISPLAY", server->display().c_str(), 1);
        connection = xcb_connect(server->display().c_str(), nullptr);
        if (xcb_connection_has_error(connection)) {
            xcb_disconnect(connection);
            connection = nullptr;
        }
    }
    ::setenv("VIDCORE_TEST_DEVICES", "1", 1);
    ::setenv("GST_PLUGIN_PATH", GLIMVIEW_PLUGIN_DIR, 0);
    gst_init(&argc, &argv);
    uint32_t* permission = CreateFrameMaps();
    if (!permission) {
        std::fprintf(stderr, "the frame maps exist already (is Glimview running?)\n");
        return 1;
    }
    frameblock::StoreWord(permission, 0, 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("\nprocess CPU with the live picture mirrored against not mirrored:\n");
    for (const char* sink : { "glimagesink", "ximagesink" })
        for (const char* size : { "640x480", "1600x1200" }) {
            const std::string key = std::string(sink) + "/" + size;
            const double off = share[key + "/off"];
            const double on = share[key + "/on"];
            if (off > 0 && on > 0)
                std::printf("  %-11s %-9s %5.1f %% of a core against %5.1f %%, ratio %.3f\n", sink, size,
                    on * 100, off * 100, on / off);
        }
    std::printf("target: ratio <= 1.05\n");
    RemoveFrameMaps();
    benchmark::Shutdown();
    if (connection)
        xcb_disconnect(connection);
    server.reset();
    return 0;
}
