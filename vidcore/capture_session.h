// One opened capture: the running pipeline from the camera to the preview
// window and the frame sink, plus the recording branch while one runs.
//
//   source ! [videobalance] ! videoconvert ! videoscale ! capsfilter ! tee
//   tee. ! queue ! videoconvert ! preview sink
//   tee. ! queue ! Snapwell_Quillon (converts to bottom-up BGR itself)
//   tee. ! recording bin (only while recording)
//
// Bus messages are handled synchronously as they are posted, so waits work
// whether or not the host runs a main loop.
#pragma once

#include "device_list.h"
#include "recording_branch.h"

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
    uintptr_t window = 0;
};

struct CaptureCounts {
    std::atomic<uint64_t> source{0};
    std::atomic<uint64_t> preview{0};
    std::atomic<uint64_t> grab{0};
};

class CaptureSession {
public:
    // Builds and starts the pipeline; returns it once a first frame reached
    // the frame sink. nullptr with `error` set otherwise.
    static std::unique_ptr<CaptureSession> Open(const CaptureOptions& options, std::string* error);
    ~CaptureSession();

    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

    void SetCaptureSize(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }

    bool StartRecording(const std::string& file, RecordingType type, std::string* error);
    // Returns once the file is complete (or the branch failed or timed out).
    void StopRecording();
    bool IsRecording() const { return recording_ != nullptr; }

    // The camera reported an error or ended.
    bool Failed() const;

    void PointPreviewAt(uintptr_t window);
    uintptr_t Window() const { return window_; }

    const DeviceEntry& VideoDevice() const { return video_; }
    GstElement* Balance() const { return balance_; }  // synthetic camera only
    GstElement* Source() const { return source_; }

    const CaptureCounts& Counts() const { return counts_; }
    // Counts of the last recording started, for measurements.
    std::shared_ptr<RecordingCounts> LastRecordingCounts() const { return recordingCounts_; }

private:
    CaptureSession() = default;
    bool Build(const CaptureOptions& options, std::string* error);
    bool WaitFor(bool (CaptureSession::*condition)() const, int64_t timeoutMs);
    bool HasFirstFrame() const { return counts_.grab.load() > 0 || failed_; }
    bool RecordingSettled() const { return recordingEnded_ || recordingFailed_; }
    bool RecordingHasFrame() const
    {
        const bool muxed = recordingCounts_->videoMuxed.load() > 0 && (!audio_ || recordingCounts_->audioMuxed.load() > 0);
        return muxed || failed_ || recordingFailed_;
    }
    void Notify();

    static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, gpointer self);
    void HandleError(GstMessage* message);

    GstElement* pipeline_ = nullptr;
    GstElement* source_ = nullptr;
    GstElement* balance_ = nullptr;
    GstElement* captureFilter_ = nullptr;
    GstElement* tee_ = nullptr;
    GstElement* previewSink_ = nullptr;
    DeviceEntry video_;
    std::optional<DeviceEntry> audio_;
    int width_ = 640;
    int height_ = 480;
    uintptr_t window_ = 0;

    CaptureCounts counts_;
    std::unique_ptr<RecordingBranch> recording_;
    std::shared_ptr<RecordingCounts> recordingCounts_;

    mutable std::mutex mutex_;  // guards the flags below, set from streaming threads
    std::condition_variable changed_;
    bool failed_ = false;
    bool recordingEnded_ = false;
    bool recordingFailed_ = false;
};

}  // namespace vidcore
