// SPDX-License-Identifier: GPL-2.0-or-later
// TCaptureFlows: what the snapshot and record buttons start. A snapshot adds
// a photo to its gallery; a recording adds its clip at the start, locks the
// controls that would disturb it, keeps the computer from suspending and
// blinks the record button until it stops.
#pragma once

#include "shell/SleepInhibitor.h"

#include <QString>

#include <cstdint>

class TMainForm;
struct TMainFormControls;

class TCaptureFlows {
public:
    TCaptureFlows(TMainForm& form, const TMainFormControls& ui);

    void ProcessSnapshot();
    // Starts a recording, or stops the one that runs.
    void ProcessRecord();
    // The start-up's warm-up: a test clip started and stopped at once.
    void PrimeCapture();
    // The capture library ended the recording by itself; failed when its
    // file could not be written, which then is no clip.
    void RecordingEndedByItself(bool failed);
    void SetRecordingType(int32_t type);
    // One tick of the record button's blink.
    void Blink();

private:
    // ASF, unless uncompressed AVI is chosen: then, at a size above VGA, the
    // user is asked whether to record ASF instead.
    void ChooseRecordingType();
    // Tells why a frame or a recording could not be had; false when neither
    // the frame maps nor the Temp folder are the reason.
    bool ExplainCaptureFailure();
    void ShowVideoCount();

    // The answer to the size question, kept as the Win32 message box values.
    enum : int32_t { AnswerYes = 6, AnswerNo = 7 };

    TMainForm& FForm;
    const TMainFormControls& FUi;
    int32_t FAviAnswer = 0;
    QString FRecordingFile;
    TSleepInhibitor FSleepInhibitor; // held while a recording runs
};
