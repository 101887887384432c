// SPDX-License-Identifier: LGPL-2.1-or-later
/* The sink's side of the two shared frame maps. The application creates them;
 * a sink maps them while it is started and unmaps them when it stops. */
#pragma once

namespace snapwell {

struct FrameMaps {
    // The writable frame block, or nullptr while it is not open.
    void* block = nullptr;
    // The read-only permission word, or nullptr while it is not open.
    const void* permission = nullptr;
};

// Opens whichever map is not open yet. True when both are open.
bool OpenFrameMaps(FrameMaps& maps);

// Unmaps both.
void CloseFrameMaps(FrameMaps& maps);

} // namespace snapwell
