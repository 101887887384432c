// SPDX-License-Identifier: LGPL-2.1-or-later
// Posting notices (vidcore_notice.h) to the application from any thread.
#pragma once

#include "vidcore_notice.h"

#include <cstdint>

namespace vidcore {

// The window notices go to from now on (0: the application object).
void SetNoticeWindow(uintptr_t window);

// Safe from any thread, streaming threads included; does nothing without a
// Qt application.
void PostNotice(VidcoreNotice notice);

} // namespace vidcore
