// SPDX-License-Identifier: LGPL-2.1-or-later
/* The sink's side of the two shared frame maps. The application creates them;
 * the sink only opens them, and what it opened stays mapped for the rest of
 * the process, shared by every sink instance. */
#pragma once

namespace snapwell {

// Opens whichever map is not open yet. True when both are open.
// Safe to call from any thread.
bool OpenFrameMaps();

// The writable frame block, or nullptr while it is not open.
void* FrameBlock();

// The read-only permission word, or nullptr while it is not open.
const void* GrabPermission();

} // namespace snapwell
