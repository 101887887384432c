// SPDX-License-Identifier: LGPL-2.1-or-later
// Telling the host what happens to its devices (vidcore_notice.h), from any
// thread. How a notice reaches the host is the host's side: the library
// installs the delivery to its Qt application (notice_delivery.h).
#pragma once

#include "vidcore_notice_kind.h"

namespace vidcore {

// Called on the thread that posts, streaming threads included.
using NoticeSink = void (*)(VidcoreNotice notice);

// The sink notices go to from now on; nullptr drops them.
void SetNoticeSink(NoticeSink sink);

void PostNotice(VidcoreNotice notice);

} // namespace vidcore
