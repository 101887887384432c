// SPDX-License-Identifier: GPL-2.0-or-later
// Starting a program with administrator rights, without waiting for it.
#pragma once

namespace setgate {

// Starts `program` (a path relative to the current directory) through pkexec
// with its absolute path and the one argument `parameter`. The outcome is
// deliberately not examined: a refused prompt or a missing program is the
// user's business, not the launcher's.
void StartElevated(const char* program, const char* parameter);

} // namespace setgate
