// SPDX-License-Identifier: GPL-2.0-or-later
// Which Qt platform the program runs on. Its skinned windows place
// themselves and snap to each other, which only X11 grants: on a Wayland
// desktop they are XWayland windows.
#pragma once

#include <QByteArray>

enum class TDisplayPlatform {
    X11, // xcb on the session's X server (XWayland on a Wayland desktop)
    AsAsked, // offscreen or minimal, as tests and headless runs ask
    None, // no X server answers: the program cannot show its windows
};

// Decides from QT_QPA_PLATFORM and whether the X server named by DISPLAY
// answers, and sets QT_QPA_PLATFORM to xcb where X11 is chosen. Call it
// before the application object exists.
TDisplayPlatform ChooseDisplayPlatform();

// True when an X server answers at `displayName` (empty: none is named). The
// first connection that answered stays open until CloseDisplayProbe().
bool XDisplayAnswers(const QByteArray& displayName);
// Closes the probe's connection; called once Qt holds its own.
void CloseDisplayProbe();
