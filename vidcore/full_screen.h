// SPDX-License-Identifier: LGPL-2.1-or-later
// Full-screen preview: a screen-filling window the picture moves into, which
// hands left button presses and key presses to the application's window.
#pragma once

#include <cstdint>
#include <functional>

namespace vidcore {

inline constexpr const char* kFullScreenWindowName = "VidcoreFullScreen";

// Opens the full-screen window and returns its window id, or 0 when there is
// no Qt application. `messageWindow` receives the presses.
uintptr_t OpenFullScreenWindow(uintptr_t messageWindow);
void CloseFullScreenWindow();
bool FullScreenWindowOpen();

} // namespace vidcore
