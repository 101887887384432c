// SPDX-License-Identifier: GPL-2.0-or-later
// Linked into every test program: makes the frame-map suffix that the test
// launcher sets for the program (GLIMVIEW_SHM_SUFFIX) unique to this
// process, before main() and so before any map is made or opened. CTest runs
// the cases of one program as processes side by side, and those must not
// share maps either.
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const bool suffixMadeUnique = [] {
    const char* suffix = std::getenv("GLIMVIEW_SHM_SUFFIX");
    if (!suffix)
        return false;
    const std::string unique = std::string(suffix) + "." + std::to_string(::getpid());
    return ::setenv("GLIMVIEW_SHM_SUFFIX", unique.c_str(), 1) == 0;
}();

} // namespace
