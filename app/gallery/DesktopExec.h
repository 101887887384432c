// SPDX-License-Identifier: GPL-2.0-or-later
// Turns a desktop entry's Exec line into the program and arguments that open
// one file, as the Desktop Entry format says: quoted arguments, field codes.
#pragma once

#include <QStringList>

struct TDesktopEntry;

// The program first, then its arguments, with the file's path for %f, %F, %u
// and %U (or appended where the line has none of them, as desktops do);
// empty where the line is malformed or names no program.
QStringList ExecArguments(const TDesktopEntry& entry, const QString& file);
