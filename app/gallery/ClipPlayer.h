// SPDX-License-Identifier: GPL-2.0-or-later
// Plays a clip with the desktop's player for its type (or opens any file
// with the desktop's program for it) and says whether there is one at all.
// The player is found and started through GIO: xdg-open without a named
// desktop guesses the type from the bytes, not the name, and falls back to a
// web browser.
#pragma once

class QString;

// False when nothing on this desktop can play the clip (no default player
// for its type, or one whose program does not start), so that the caller can
// say so; true once a player has been started.
bool OpenWithDesktopProgram(const QString& clipFile);

// The desktop id ("vlc.desktop") of the program that plays this type; empty
// for none.
QString DefaultPlayerFor(const QString& clipFile);
