// SPDX-License-Identifier: GPL-2.0-or-later
// A stand-in for the capture library that records every AM_ call, for tests
// of the exact calls the camera controller makes.
#pragma once

#include <string>
#include <vector>

namespace recording_vidcore {

struct Script {
    bool openResult = true;
    bool captureResult = true;
    std::vector<std::string> videoDevices; // names as the library hands them out, NULs included
    std::vector<std::string> audioDevices;
};

// Clears the record and sets what the stand-in answers.
void Reset(const Script& script = {});
const std::vector<std::string>& Calls();

} // namespace recording_vidcore
