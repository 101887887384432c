// SPDX-License-Identifier: GPL-2.0-or-later
#include "vidcore_bench_support.h"

#include "device_list.h"
#include "gst_runtime.h"

#include "filter/frameblock.h"
#include "tests/filter/shared_map.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace vidcore_bench {

std::string UseFakeDevices(const std::string& name, const std::string& keyFile)
{
    const std::string file = "/tmp/vidcore-" + name + "-" + std::to_string(::getpid()) + ".ini";
    std::ofstream(file) << keyFile;
    ::setenv("FAKECAM_DEVICES", file.c_str(), 1);
    ::setenv("GST_PLUGIN_PATH", GLIMVIEW_PLUGIN_DIR ":" GLIMVIEW_FAKECAM_PLUGIN_DIR, 1);
    return file;
}

bool ChooseCamera(benchmark::State& state, const std::string& name, vidcore::CaptureOptions& options)
{
    vidcore::EnsureGstReady();
    for (const vidcore::DeviceEntry& entry : vidcore::ListDevices(vidcore::DeviceKind::Video))
        if (entry.name == name)
            options.video = entry;
    if (!options.video.device)
        state.SkipWithError("the fake webcam is not listed (fakecam plugin missing?)");
    return bool(options.video.device);
}

uint32_t* CreateFrameMaps()
{
    void* block = snapwell_test::CreateSharedMap(
        frameblock::MapFilePath(frameblock::kFrameBlockMapName), frameblock::kFrameBlockSize, true);
    void* permission = snapwell_test::CreateSharedMap(
        frameblock::MapFilePath(frameblock::kPermissionMapName), frameblock::kPermissionSize, true);
    return block && permission ? static_cast<uint32_t*>(permission) : nullptr;
}

void RemoveFrameMaps()
{
    ::unlink(frameblock::MapFilePath(frameblock::kFrameBlockMapName).c_str());
    ::unlink(frameblock::MapFilePath(frameblock::kPermissionMapName).c_str());
}

std::unique_ptr<vidcore::CaptureSession> OpenCapture(
    benchmark::State& state, const vidcore::CaptureOptions& options)
{
    std::string error;
    auto session = vidcore::CaptureSession::Open(options, &error);
    if (!session)
        state.SkipWithError(error.c_str());
    return session;
}

double ProcessCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double CoreShareWhileRunning(std::chrono::seconds measured)
{
    std::this_thread::sleep_for(std::chrono::seconds(1)); // past the start
    const double before = ProcessCpuSeconds();
    std::this_thread::sleep_for(measured);
    return (ProcessCpuSeconds() - before) / std::chrono::duration<double>(measured).count();
}

double LaunchedCoreShare(benchmark::State& state, const std::string& line, std::chrono::seconds measured)
{
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(line.c_str(), &error);
    if (error) {
        state.SkipWithError(error->message);
        g_clear_error(&error);
        if (pipeline)
            gst_object_unref(pipeline);
        return -1;
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    const double used = CoreShareWhileRunning(measured);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return used;
}

} // namespace vidcore_bench
