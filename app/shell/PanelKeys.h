// SPDX-License-Identifier: GPL-2.0-or-later
// The keys that work the camera from any of Glimview's windows: Space takes a
// snapshot, R starts or stops a recording, F11 and Esc go into and out of
// full screen (Esc first stops a self-timer's countdown), M mirrors the live
// picture, T steps through the self-timer's choices, Ctrl+W and Ctrl+M close
// and minimise. A key stands for its
// button and presses it the way the mouse does, only while the button shows
// and is enabled; the galleries' own keys are theirs.
#pragma once

class TMainForm;
struct TMainFormControls;

void InstallPanelKeys(TMainForm* mainForm, const TMainFormControls& ui);
