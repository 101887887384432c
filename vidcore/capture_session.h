// SPDX-License-Identifier: LGPL-2.1-or-later
// One opened capture: the running pipeline from the camera to the preview
// window and the frame sink, plus the recording branch while one runs.
//
//   source ! capsfilter(the camera's own format) ! [jpegparse ! jpegdec]
//          ! [videobalance] ! videoconvertscale ! capsfilter(size, I420) ! tee
//   tee. ! preview bin (preview_sink.h)
//   tee. ! queue ! Snapwell_Quillon (converts to bottom-up BGR itself)
//   tee. ! recording bin (only while recording)
//
// Bus messages are handled synchronously as they are posted, so waits work
// whether or not the host runs a main loop. What the application must hear
// of (the camera failing or stalling, a recording ending by itself, a
// picture no sink can show) is posted to it as a notice. Only an error of the source itself
// is the camera's: the preview and the recording keep theirs to themselves,
// and a failure of any other element is the capture's, not the camera's.
#pragma once

#include "device_list.h"
#include "gst_ref.h"
#include "preview_sink.h"
#include "recording_branch.h"
#include "stall_watch.h"

#include <gst/gst.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace vidcore {

inline constexpr const char* kFrameSinkFactory = "Snapwell_Quillon";

struct CaptureOptions {
    DeviceEntry video;
    std::optional<DeviceEntry> audio;
    int width = 640;
    int height = 480;
    uintptr_t window = 0; // the view the preview belongs to
    uintptr_t previewTarget = 0; // where it is drawn now (full screen); 0: the view
    bool mirrored = false; // the preview turned left to right
};

// NotCamera: an element other than the camera's source failed.
enum class OpenFailure { None, Busy, Other, NotCamera };

struct CaptureCounts {
    std::atomic<uint64_t> source { 0 };
    std::atomic<uint64_t> preview { 0 };
    std::atomic<uint64_t> grab { 0 };
};

class CaptureSession {
public:
    // Builds and starts the pipeline; returns it once a first frame reached
    // the frame sink. nullptr with `error` set otherwise.
    static std::unique_ptr<CaptureSession> Open(
        const CaptureOptions& options, std::string* error, OpenFailure* failure = nullptr);
    ~CaptureSession();

    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

    void SetCaptureSize(int width, int height);
    // True when capturing at width x height needs another of the camera's
    // own formats than the running one: the session must then be opened
    // anew (the source cannot switch formats in place).
    bool NeedsReopenFor(int width, int height) const;

    bool StartRecording(const std::string& file, RecordingType type, std::string* error);
    // Returns once the file is complete (or the branch failed or timed out).
    void StopRecording();
    bool IsRecording() const { return recording_ != nullptr; }

    // The camera reported an error or ended.
    bool Failed() const;

    void PointPreviewAt(uintptr_t window);
    // Turns the preview left to right, or back; the frame grab and the
    // recording are never turned.
    void SetPreviewMirrored(bool mirrored);
    bool PreviewMirrored() const { return mirrored_; }
    uintptr_t Window() const { return window_; }
    uintptr_t PreviewTarget() const { return previewTarget_ ? previewTarget_ : window_; }

    const DeviceEntry& VideoDevice() const { return video_; }
    const std::optional<DeviceEntry>& AudioDevice() const { return audio_; }
    GstElement* Balance() const { return balance_; } // synthetic camera only

    const CaptureCounts& Counts() const { return counts_; }
    // Counts of the last recording started, for measurements.
    std::shared_ptr<RecordingCounts> LastRecordingCounts() const { return recordingCounts_; }

private:
    CaptureSession() = default;
    bool Build(const CaptureOptions& options, std::string* error);
    bool BuildSourceFormat(GstElement** head, std::string* error);
    bool WaitFor(bool (CaptureSession::*condition)() const, int64_t timeoutMs);
    bool HasFirstFrame() const { return counts_.grab.load() > 0 || failed_ || previewFailed_; }
    bool RecordingSettled() const { return recordingEnded_ || recordingFailed_; }
    bool AudioSettled() const;
    bool WaitUntilRunning(std::string* error);
    bool StartBranch(const RecordingOptions& options, std::string* error);
    // The running recording's first frame (and first sound, when it records
    // sound) reached the muxer, or nothing more will.
    bool RecordingHasFrame() const
    {
        const bool sound = !recording_->HasAudio() || audioFailed_ || recordingCounts_->audioMuxed.load() > 0;
        const bool muxed = recordingCounts_->videoMuxed.load() > 0 && sound;
        return muxed || failed_ || recordingFailed_;
    }
    // Ends the recording branch and forgets its bin.
    void DropRecording();
    // The camera sent the running recording nothing for too long: it is
    // given up as one that failed, and its stream ended so that the clip is
    // completed. Called on the stall watch's thread.
    void RecordingStalled(int64_t silentUs);
    GstRef<GstElement> RecordingBin() const;
    void Notify();
    // Wakes the waits once the element's first buffer passes.
    void NotifyOnFirstBuffer(GstElement* element);

    static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, gpointer self);
    void HandleError(GstMessage* message);

    GstRef<GstElement> pipeline_;
    // The elements below belong to the pipeline.
    GstElement* source_ = nullptr;
    GstElement* balance_ = nullptr;
    GstElement* scale_ = nullptr; // converts and scales the camera's picture to the capture size
    GstElement* captureFilter_ = nullptr;
    GstRef<GstCaps> offeredCaps_; // what the camera offers
    GstRef<GstCaps> sourceCaps_; // what it was asked for
    GstElement* tee_ = nullptr;
    GstElement* preview_ = nullptr; // the preview bin
    PreviewSinkKind previewKind_ = PreviewSinkKind::None;
    DeviceEntry video_;
    std::optional<DeviceEntry> audio_;
    int width_ = 640;
    int height_ = 480;
    uintptr_t window_ = 0;
    uintptr_t previewTarget_ = 0;
    bool mirrored_ = false;

    CaptureCounts counts_;
    std::unique_ptr<RecordingBranch> recording_;
    std::shared_ptr<RecordingCounts> recordingCounts_;
    std::unique_ptr<StallWatch> stallWatch_; // while a recording runs

    mutable std::mutex mutex_; // guards the flags below, set from streaming threads
    std::condition_variable changed_;
    bool failed_ = false;
    bool busy_ = false; // the camera's failure was "held by another program"
    bool notCamera_ = false; // an element after the source failed and stopped the stream
    bool previewFailed_ = false;
    bool opened_ = false; // Open() returned it: failures are now the application's news
    bool stopRequested_ = false; // the recording's end was asked for
    bool recordingEnded_ = false;
    bool recordingFailed_ = false;
    bool audioFailed_ = false; // the recording's microphone failed
    GstRef<GstElement> recordingBin_; // the running recording's bin, once it joined the pipeline
};

} // namespace vidcore
