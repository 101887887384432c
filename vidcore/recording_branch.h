// SPDX-License-Identifier: LGPL-2.1-or-later
// The recording branch: a bin hung on the capture tee while a recording
// runs, holding its own audio source, the encoders, the muxer and the file.
// The file is made here, never by a sink given its name: a symbolic link or
// any other file someone leaves at that name makes the recording fail rather
// than be written through it.
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
#include <utility>

namespace vidcore {

// A clip's file, created new and open for writing until the last recording
// branch that writes it is gone; then its descriptor is closed.
class ClipFile {
public:
    // Creates `path`, which must not exist yet, not even as a symbolic link.
    // Returns nullptr with `error` set when it cannot.
    static std::shared_ptr<ClipFile> Create(const std::string& path, std::string* error);
    ~ClipFile();

    ClipFile(const ClipFile&) = delete;
    ClipFile& operator=(const ClipFile&) = delete;

    int Descriptor() const { return fd_; }
    const std::string& Path() const { return path_; }
    // Empties the file for another start of the recording.
    bool Rewind();
    // Removes the file from its folder after a recording that did not start,
    // when the name still leads to this very file.
    void Discard();

private:
    ClipFile(std::string path, int fd)
        : path_(std::move(path))
        , fd_(fd)
    {
    }

    std::string path_;
    int fd_ = -1;
};

struct RecordingOptions {
    std::string file;
    RecordingType type = RecordingType::Avi;
    int width = 640;
    int height = 480;
    std::optional<DeviceEntry> audio; // none: a video-only clip
    // The file `file` names, already created; none: the branch creates it.
    std::shared_ptr<ClipFile> clip;
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
    // created, an element is missing). `joining` is called with the branch's
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
    // Released after the bin has stopped: the sink writes to its descriptor.
    std::shared_ptr<ClipFile> clip_;
};

} // namespace vidcore
