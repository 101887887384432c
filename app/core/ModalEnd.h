// SPDX-License-Identifier: GPL-2.0-or-later
// The session end and the windows that wait for an answer.
//
// A box or dialog run with exec() keeps an event loop of its own on the
// stack, under the window it belongs to. A session end (a signal, a
// shutdown, a sleep) must neither wait for the user nor delete that window
// while the loop still runs: every modal window is ended with its "no" or
// "cancel" answer, any that opens afterwards is ended as it shows, and the
// windows close only once no such loop is left.
#pragma once

// True once the session ends; code that would ask the user stops instead.
bool SessionEnding();
// Marks the session end and ends every modal window that is open.
void EndModalsForSessionEnd();
// True while an event loop of a box or dialog, or a modal window, is still
// under way: closing the windows now would delete them beneath it.
bool ModalStillRunning();
