// SPDX-License-Identifier: GPL-2.0-or-later
// The main window's controls for its tests, which work them as the user's
// clicks and the window's own timers do.
#pragma once

#include "shell/MainFrm.h"
#include "widgets/StatusLine.h"

struct TMainFormTestAccess {
    static const TMainFormControls* Controls(const TMainForm* form) { return form; }
};

inline const TMainFormControls* Ui(const TMainForm* form) { return TMainFormTestAccess::Controls(form); }
