// SPDX-License-Identifier: LGPL-2.1-or-later
// Notices as Qt events posted to the application's window.
#pragma once

#include "vidcore_notice.h"

#include <cstdint>

namespace vidcore {

// The window notices go to from now on (0: the application object).
void SetNoticeWindow(uintptr_t window);

// A notice sink (notices.h): safe from any thread, streaming threads
// included; does nothing without a Qt application.
void DeliverNotice(VidcoreNotice notice);

} // namespace vidcore
