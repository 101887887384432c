// SPDX-License-Identifier: GPL-2.0-or-later
// What the capture library's benchmarks set up alike: the test plugin's fake
// devices, the frame maps the sink copies into, plain pipelines to compare
// with, and the CPU a process uses over a span.
#pragma once

#include "capture_session.h"

#include <benchmark/benchmark.h>
#include <gst/gst.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace vidcore_bench {

// Describes the fake devices in a key file of this process's own (`keyFile`
// is its text) and puts the fake plugin on the plugin path; before
// GStreamer starts. Returns the file's path, to remove at the end.
std::string UseFakeDevices(const std::string& name, const std::string& keyFile);

// The video device listed under `name` into `options`; false, with the
// benchmark skipped, when it is not listed.
bool ChooseCamera(benchmark::State& state, const std::string& name, vidcore::CaptureOptions& options);

// The frame block and permission word under this process's map names, made
// fresh and mapped; the permission word, or nullptr when they exist already.
uint32_t* CreateFrameMaps();
void RemoveFrameMaps();

// The capture of `options`; null, with the benchmark skipped, when it does
// not open.
std::unique_ptr<vidcore::CaptureSession> OpenCapture(
    benchmark::State& state, const vidcore::CaptureOptions& options);

// The CPU time the process has used so far, in seconds.
double ProcessCpuSeconds();

// The share of one core the process uses over `measured`, counted from one
// second after now (past the start).
double CoreShareWhileRunning(std::chrono::seconds measured);

// The same share while a pipeline from a gst-launch line plays; negative,
// with the benchmark skipped, when it cannot be made.
double LaunchedCoreShare(benchmark::State& state, const std::string& line, std::chrono::seconds measured);

} // namespace vidcore_bench
