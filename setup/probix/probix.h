// SPDX-License-Identifier: LGPL-2.1-or-later
// The one export of Probix.so, loaded at run time by the setup launcher.
#pragma once

#include <cstdint>

// 1 when a present, working USB video-class camera is attached, 0 otherwise
// (also when the device list cannot be read). Keeps nothing between calls.
extern "C" uint8_t fnProbix(void) noexcept;

inline constexpr const char* kProbixExportName = "fnProbix";
