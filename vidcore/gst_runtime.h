// SPDX-License-Identifier: LGPL-2.1-or-later
// GStreamer start-up for the library: initialisation on first use and the
// plugins shipped beside libvidcore.so.
#pragma once

namespace vidcore {

// Initialises GStreamer unless the host already did, and registers the
// plugins in the "plugins" folder next to this library, so that the frame
// sink is found without GST_PLUGIN_PATH. Safe to call any number of times.
void EnsureGstReady();

// Ends the background loading of plugins begun by EnsureGstReady(), cutting
// it short, and waits for it. For a process's way out: a driver loaded on
// that thread while the process runs its exit handlers can read what those
// handlers have already freed (Mesa's driver configuration, for one).
void FinishPreloading();

} // namespace vidcore
