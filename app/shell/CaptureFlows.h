// SPDX-License-Identifier: GPL-2.0-or-later
// TCaptureFlows: what the snapshot and record buttons start. A snapshot adds
// a photo to its gallery; a recording adds its clip at the start, locks the
// controls that would disturb it and blinks the record button until it stops.
#pragma once

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
    // A short test clip at the start-up, so that the first real one starts at once.
    void PrimeCapture();
    // The capture library ended the recording: the disk is full, or the file failed.
    void RecordingEndedByItself(bool failed);
    void SetRecordingType(int32_t type);
    // One tick of the record button's blink.
    void Blink();

private:
    // Asks for ASF when the uncompressed type is chosen at a size too large for it.
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
};
