// SPDX-License-Identifier: GPL-2.0-or-later
// The question a close asks while photos or clips were never saved: Save
// all, Discard or Cancel.
#pragma once

#include <functional>

class QWidget;
class TCompanionWindows;

// True when the close may go on: there is nothing unsaved, the user discards
// it, or every item was saved. A running recording is finished, through
// finishRecording, before Save all copies it.
bool AskAboutUnsaved(
    QWidget* window, const TCompanionWindows& windows, const std::function<void()>& finishRecording);
