// SPDX-License-Identifier: GPL-2.0-or-later
// The application's side of the shared frame maps: creates the frame block
// (read by the camera controller) and the grab permission word (written by
// it) as two files in the user's private runtime folder, mapped shared. The
// Snapwell sink maps the same two files inside the capture pipeline; the
// names and the layout are in filter/frameblock.h.
#pragma once

#include <cstdint>
#include <string>

class QString;

// Creates or opens both maps at their files, their space reserved, and sets
// the permission word to 1. A map that cannot be had (a folder without room
// among the reasons) is reported once and left missing; the application goes
// on without snapshots and recordings.
void CreateFrameMaps();
// The same at other files, so that tests never meet the maps of a running
// application.
void CreateFrameMaps(const std::string& blockPath, const std::string& permissionPath);
// Removes map files left by a copy that ended without closing them. Only the
// one instance (the holder of the instance lock) may call it.
void RemoveLeftoverFrameMaps();
void CloseFrameMaps();

// Both maps are there: snapshots and recordings can be made.
bool FrameMapsReady();
// The folder the maps were made in, or were to be made in.
QString FrameMapsFolder();

// The whole block (read-only view), or null when it is missing.
const unsigned char* FrameBlock();
// The permission word (writable view), or null when it is missing.
uint32_t* GrabPermission();

// Where the failure messages go: the log unless a test puts its own function
// in. Returns the previous one.
using FrameMapReportFunction = void (*)(const QString& message);
FrameMapReportFunction SetFrameMapReport(FrameMapReportFunction report);
