// SPDX-License-Identifier: LGPL-2.1-or-later
// The device monitor that runs for the whole life of the process: the
// current cameras and microphones of every provider, and a notice to the
// application whenever one comes or goes.
#pragma once

#include "gst_ref.h"

#include <gst/gst.h>

#include <vector>

namespace vidcore {

enum class DeviceKind { Video, Audio };

// Every device the providers report now, of the given kind, in the
// providers' order. Starts the monitor on first use; a listing is made
// again only after the monitor reported a change, and never probes.
std::vector<GstRef<GstDevice>> CurrentDevices(DeviceKind kind);

} // namespace vidcore
