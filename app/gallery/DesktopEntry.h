// SPDX-License-Identifier: GPL-2.0-or-later
// A program's desktop entry (the freedesktop Desktop Entry format): found by
// its desktop id in the XDG applications folders and read for what starting
// the program with a file needs.
#pragma once

#include <QString>

#include <optional>

struct TDesktopEntry {
    QString FilePath; // the entry's own file, for %k
    QString Name; // in the user's language where the entry has it, for %c
    QString Icon; // for %i
    QString Exec; // the command line, string escapes already undone
    QString WorkingFolder; // the Path key; empty for the caller's
    bool Terminal = false;
};

// The entry with this id ("vlc.desktop", or "kde-foo.desktop" for
// applications/kde/foo.desktop), the user's folder first. None where there is
// no such file or it must not be started: hidden, not an application, no
// Exec line, or a TryExec program that is not installed.
std::optional<TDesktopEntry> FindDesktopEntry(const QString& desktopId);

// One entry file read as it is, with the same checks.
std::optional<TDesktopEntry> ReadDesktopEntry(const QString& filePath);
