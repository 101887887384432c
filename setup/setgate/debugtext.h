// SPDX-License-Identifier: GPL-2.0-or-later
// Diagnostics that only a developer reads: one line each on standard error.
#pragma once

namespace setgate {

void WriteDebugText(const char* text);

} // namespace setgate
