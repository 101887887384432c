// SPDX-License-Identifier: GPL-2.0-or-later
// TCaptureFlows: what the snapshot and record buttons start. A snapshot adds
// a photo to its gallery; a recording adds its clip at the start, locks the
// controls that would disturb it, keeps the computer from suspending and
// blinks the record button until it stops.
#pragma once

#include "shell/SleepInhibitor.h"

#include <QString>

#include <cstdint>
#include <functional>

class QAction;
class QTimer;
class QWidget;
class TCompanionWindows;
class TImageButton;
class TStatusLine;

class TCaptureFlows {
public:
    // The panel's parts the flows work, and what they ask of the window.
    struct TParts {
        QWidget* Window; // the questions' parent
        TImageButton* RecordButton;
        TStatusLine* Status;
        QTimer* BlinkTimer;
        QAction* FlashItem;
        QAction* UncompressedAviItem;
        std::function<QAction*(int32_t videoType)> FileTypeItem;
        // The type of the checked item among the compressed ones.
        std::function<int32_t()> CheckedCompressedType;
        // Snapshot, format and control are locked while a recording runs.
        std::function<void(bool enabled)> SetCaptureButtonsEnabled;
        // The picture size submenu, locked too.
        std::function<void(bool enabled)> SetPictureSizeEnabled;
        std::function<void()> UpdatePhotoButton;
        std::function<void()> UpdateVideoButton;
        std::function<void(const QString& text)> ShowInfo;
        // Closed, or closing: a flow that waited on a question stops there.
        std::function<bool()> IsClosing;
    };

    TCaptureFlows(TParts parts, const TCompanionWindows& windows);

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

    TParts FParts;
    const TCompanionWindows& FWindows;
    int32_t FAviAnswer = 0;
    QString FRecordingFile;
    TSleepInhibitor FSleepInhibitor; // held while a recording runs
};
