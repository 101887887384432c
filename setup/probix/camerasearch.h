// SPDX-License-Identifier: LGPL-2.1-or-later
// The camera-presence decision, free of any platform code.
#pragma once

#include "devicerecord.h"

namespace probix {

// True when `text` (bounded by its buffer), upper-cased in the letters a to z
// only, contains `word` (given in upper case).
bool ContainsUpperCased(const char (&text)[kPropertyBufferSize], const char* word);

// True when the device is a present, visible, problem-free device served by
// the USB video-class driver and belonging to the imaging class.
bool IsWorkingVideoCamera(const DeviceRecord& record);

// Walks the list in order and stops at the first working video camera.
bool FindVideoCamera(DeviceList& devices);

} // namespace probix
