// SPDX-License-Identifier: GPL-2.0-or-later
// The resident memory of a process as /proc tells it (VmRSS), in plain C++
// for the capture library's tests too.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

namespace test_support {

// In KiB, of the process `pid`, or of this one when it is 0; -1 when it
// cannot be read, as once the process has ended.
inline long ResidentKilobytes(long long pid = 0)
{
    std::ifstream status(
        pid > 0 ? "/proc/" + std::to_string(pid) + "/status" : std::string("/proc/self/status"));
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

} // namespace test_support
