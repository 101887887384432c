// SPDX-License-Identifier: GPL-2.0-or-later
// The check that decides whether the installer is started.
#pragma once

namespace setgate {

// Asks ./Probix.so whether a camera is attached and, if so, starts
// ./_isetup elevated with "-s". Both files are looked for in the current
// directory only, never beside the launcher.
void RunCameraCheck();

} // namespace setgate
