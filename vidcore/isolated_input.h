// SPDX-License-Identifier: LGPL-2.1-or-later
// A branch hung on the capture's tee that keeps its failures to itself.
#pragma once

#include <gst/gst.h>

namespace vidcore {

// Adds to `bin` a ghost sink pad named `name` onto `target` (a pad inside
// the bin) that never hands a failure of the branch back to the tee: the
// tee would pass it on to the camera's source, which stops everything and
// reports it as its own error. Only flushing passes. The branch's failure
// still reaches the bus as the failing element's error message. Returns the
// pad, owned by the bin.
GstPad* AddIsolatedInput(GstElement* bin, GstPad* target, const char* name);

} // namespace vidcore
