// SPDX-License-Identifier: LGPL-2.1-or-later
// ORC, the run-time code generator behind many GStreamer elements' fast
// paths, maps the code it makes from a sparse file in $XDG_RUNTIME_DIR. On a
// folder without room, the first write into that map faults (SIGBUS) in a
// streaming thread. There, ORC is told to run its portable code instead.
#pragma once

namespace vidcore {

// Sets ORC_CODE=backup when the runtime folder has less room than ORC's code
// needs, unless ORC_CODE is set already. Call it before GStreamer loads any
// plugin; true when it did set it.
bool KeepOrcOffAFullRuntimeFolder();

} // namespace vidcore
