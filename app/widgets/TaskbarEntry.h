// SPDX-License-Identifier: GPL-2.0-or-later
// Glimview has one taskbar entry, its main window's. The companion windows
// (live view, galleries, viewer, dialogs) ask the window manager to leave them
// off the taskbar and the pager.
#pragma once

class QWidget;

// From the next time the window is shown on. Nothing happens on platforms
// other than X11.
void KeepOffTaskbar(QWidget* window);
