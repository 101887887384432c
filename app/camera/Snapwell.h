// SPDX-License-Identifier: GPL-2.0-or-later
// The application's side of the shared frame maps: creates the frame block
// (read by the camera controller) and the grab permission word (written by
// it). The Snapwell sink opens the same two objects inside the capture
// pipeline; the layout is in filter/frameblock.h.
#pragma once

#include <cstdint>
#include <string>

class QString;

// Creates or opens both maps under their per-user names and sets the
// permission word to 1. A map that cannot be had is reported once and left
// missing; the application goes on without it.
void CreateFrameMaps();
// The same under other object names, so that tests never meet the maps of a
// running application.
void CreateFrameMaps(const std::string& blockObjectName, const std::string& permissionObjectName);
void CloseFrameMaps();

// The whole block (read-only view), or null when it is missing.
const unsigned char* FrameBlock();
// The permission word (writable view), or null when it is missing.
uint32_t* GrabPermission();

// Where the failure messages go: a message box and standard error unless a
// test puts its own function in. Returns the previous one.
using FrameMapReportFunction = void (*)(const QString& message);
FrameMapReportFunction SetFrameMapReport(FrameMapReportFunction report);
