// SPDX-License-Identifier: GPL-2.0-or-later
// Linked into every benchmark: gives the process frame maps of its own
// (GLIMVIEW_SHM_SUFFIX, named after the benchmark and the process) before
// main() and so before any map is made or opened. Without it a benchmark run
// beside Glimview would map the program's real frame block and reset its
// words. Child processes inherit the suffix.
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const bool suffixSet = [] {
    const std::string suffix
        = std::string(".bench-") + GLIMVIEW_BENCH_NAME + "." + std::to_string(::getpid());
    return ::setenv("GLIMVIEW_SHM_SUFFIX", suffix.c_str(), 1) == 0;
}();

} // namespace
