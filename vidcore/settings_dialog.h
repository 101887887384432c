// SPDX-License-Identifier: LGPL-2.1-or-later
// The video source's own settings dialog.
#pragma once

#include "source_controls.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vidcore {

inline constexpr const char* kSettingsDialogName = "VidcoreSourceDialog";

// Shows the controls in a dialog owned by the Qt window `owner` (when it is
// one of this process); values apply live. Needs a QApplication: without one
// it prints a line and does nothing. A dialog already open is raised instead.
void ShowSettingsDialog(uintptr_t owner, const std::string& title, std::vector<SourceControl> controls);

} // namespace vidcore
