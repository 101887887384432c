// SPDX-License-Identifier: GPL-2.0-or-later
// The working folder "Temp" on disk: made when it is missing, and checked to
// take files; and the rule that no file written there follows a symbolic
// link someone left at its name.
#pragma once

#include <QString>

// Creates TempFolder() when it is missing. True when it is a folder this
// process can create files in.
bool PrepareTempFolder();

// Removes a symbolic link at `path` (never what it points to), so that the
// file written next at that name is a file of its own.
void DropLinkAt(const QString& path);

// Removes a file or symbolic link at `path` (never what a link points to;
// a folder stays), for a file that is written anew each time under that
// name: recordings create their file and fail on any name that is taken.
void DropFileAt(const QString& path);
