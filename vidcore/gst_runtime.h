// SPDX-License-Identifier: LGPL-2.1-or-later
// GStreamer start-up for the library: initialisation on first use and the
// plugins shipped beside libvidcore.so.
#pragma once

namespace vidcore {

// Initialises GStreamer unless the host already did, and registers the
// plugins in the "plugins" folder next to this library, so that the frame
// sink is found without GST_PLUGIN_PATH. Safe to call any number of times.
void EnsureGstReady();

} // namespace vidcore
