// SPDX-License-Identifier: GPL-2.0-or-later
#include "debugtext.h"

#include <cstdio>
#include <unistd.h>

namespace setgate {

void WriteDebugText(const char* text)
{
    // One write per line, so lines from processes sharing the stream never interleave.
    char line[256];
    const int length = std::snprintf(line, sizeof line, "%s\n", text);
    if (length <= 0)
        return;
    const std::size_t size = static_cast<std::size_t>(length) < sizeof line ? length : sizeof line - 1;
    // Nothing sensible is left to do when standard error itself fails.
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line, size);
}

} // namespace setgate
