// SPDX-License-Identifier: LGPL-2.1-or-later
// The recording branch: a bin hung on the capture tee while a recording
// runs, holding its own audio source, the encoders, the muxer and the file.
#pragma once

#include "device_list.h"
#include "gst_ref.h"
#include "recording_format.h"

#include <gst/gst.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vidcore {

struct RecordingOptions {
    std::string file;
    RecordingType type = RecordingType::Avi;
    int width = 640;
    int height = 480;
    std::optional<DeviceEntry> audio; // none: a video-only clip
};

struct RecordingCounts {
    std::atomic<uint64_t> videoIn { 0 }; // frames offered by the tee
    std::atomic<uint64_t> videoQueuedOut {
        0
    }; // frames that left the queue; the rest it dropped, being behind
    std::atomic<uint64_t> videoMuxed { 0 }; // frames that reached the muxer
    std::atomic<uint64_t> audioMuxed { 0 }; // audio buffers that reached the muxer
    std::atomic<uint64_t> audioIn { 0 }; // buffers the microphone delivered
    // When the last frame was offered by the tee (monotonic µs; -1 before the
    // first), and the frame period its caps state (µs; 0 when they state none).
    std::atomic<int64_t> lastVideoInUs { -1 };
    std::atomic<int64_t> videoPeriodUs { 0 };
    // The running time at which the last frame offered ends; once set, the
    // running time past which the clip's sound is dropped (the camera stalled
    // and the picture ended there).
    std::atomic<GstClockTime> videoEnd { GST_CLOCK_TIME_NONE };
    std::atomic<GstClockTime> soundEnd { GST_CLOCK_TIME_NONE };
    // Called on a streaming thread when the first frame, and the first audio
    // buffer, reach the muxer; set before the branch starts, never changed
    // afterwards.
    std::function<void()> firstMuxed;
};

// True for a recording's microphone and anything inside it.
bool IsRecordingMicrophone(GstObject* object);
// Ends the running recording's sound now (the picture stopped); safe from
// any thread.
void EndRecordingMicrophone(GstElement* pipeline);

class RecordingBranch {
public:
    // Builds the branch into `pipeline` and starts it, its microphone
    // included; frames flow once Attach() links it to the tee. Returns
    // nullptr with `error` set when it cannot start (the file cannot be
    // opened, an element is missing). `joining` is called with the branch's
    // bin right before the bin joins the pipeline and posts its first
    // messages.
    static std::unique_ptr<RecordingBranch> Start(GstElement* pipeline, GstElement* tee,
        const RecordingOptions& options, std::shared_ptr<RecordingCounts> counts, std::string* error,
        const std::function<void(GstElement* bin)>& joining = {});
    bool Attach(std::string* error);
    ~RecordingBranch(); // unlinks, stops and removes the branch

    RecordingBranch(const RecordingBranch&) = delete;
    RecordingBranch& operator=(const RecordingBranch&) = delete;

    // Ends every stream of the branch; the muxer then completes the file
    // and the branch's end-of-stream reaches the pipeline bus.
    void SendEndOfStream();
    bool HasAudio() const { return audioSource_ != nullptr; }
    GstElement* Microphone() const { return audioSource_; }

private:
    RecordingBranch() = default;

    GstElement* pipeline_ = nullptr; // the capture's, which outlives the branch
    GstElement* tee_ = nullptr; // the capture's
    GstRef<GstElement> bin_;
    GstElement* audioSource_ = nullptr; // inside the bin
    GstElement* muxer_ = nullptr; // inside the bin
    GstRef<GstPad> teePad_;
    GstRef<GstPad> videoInput_; // the bin's ghost sink pad
    std::shared_ptr<std::atomic<bool>> unlinked_ = std::make_shared<std::atomic<bool>>(false);
    gulong idleProbe_ = 0;
};

} // namespace vidcore
