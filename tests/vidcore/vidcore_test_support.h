// SPDX-License-Identifier: GPL-2.0-or-later
// Shared pieces of the capture library tests: the frame maps
// the frame sink copies into, the synthetic devices, and the real tools that
// read clips back.
#pragma once

#include "ResidentMemory.h"
#include "XvfbServer.h"
#include "filter/frameblock.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace vidcore_test {

using test_support::ResidentKilobytes;
using test_support::XvfbServer;

// The two map files under the names of this test process (the test
// launcher gives each test process its own GLIMVIEW_SHM_SUFFIX), mapped
// read-write, the permission word at 1. The frame sink opens them once per
// process, so they are created fresh once per process and unlinked when it
// ends; every FrameMaps object views the same pair.
class FrameMaps {
public:
    FrameMaps();
    FrameMaps(const FrameMaps&) = delete;
    FrameMaps& operator=(const FrameMaps&) = delete;

    const unsigned char* pixels() const { return block_; }
    uint32_t Word(std::size_t offset) const { return frameblock::LoadWord(block_, offset); }
    int32_t Height() const { return int32_t(Word(frameblock::kHeightOffset)); }
    int32_t Width() const { return int32_t(Word(frameblock::kWidthOffset)); }
    uint32_t BitCount() const { return Word(frameblock::kBitCountOffset); }
    bool FrameReady() const { return Word(frameblock::kFrameReadyOffset) == 1; }
    void SetPermission(uint32_t value) { frameblock::StoreWord(permission_, 0, value); }

    // A checksum of the current frame (width x height x 3 bytes at 0).
    uint64_t FrameChecksum() const;
    // Waits, with a deadline, for the sink to copy a frame different from `previous`.
    bool WaitForNewFrame(
        uint64_t previous, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    // Waits for the header words to describe width x height x 24 with a frame copied.
    bool WaitForSize(
        int width, int height, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

private:
    unsigned char* block_ = nullptr;
    void* permission_ = nullptr;
};

// Chooses the synthetic camera and microphone (listed last).
void ChooseSyntheticDevices();

// Runs a shell command, returning what it wrote to stdout and stderr.
std::string Run(const std::string& command);

// A path in the test's own working folder.
std::string WorkPath(const std::string& name);
// A path in the test's working folder for a recording: what an earlier run
// left at that name is removed, as a recording never writes over a file.
std::string NewClipPath(const std::string& name);

struct ClipFacts {
    std::string format; // ffprobe's format_name
    std::string videoCodec;
    std::string pixelFormat; // of the video: "yuv420p"
    std::string videoProfile; // of the video, where the codec has profiles: "High"
    std::string audioCodec; // empty without audio
    double duration = 0; // seconds
    long ffmpegFrames = -1; // video frames ffmpeg decodes
    long gstreamerFrames = -1; // video frames GStreamer decodes
    std::string ffmpegErrors; // `ffmpeg -v error -i clip -f null -` output
};

ClipFacts ExamineClip(const std::string& path);

// What this process holds now, as /proc/self tells: open descriptors and
// threads (its resident memory: ResidentKilobytes).
int OpenDescriptors();
// How many of this process's descriptors have `path` open.
int DescriptorsOpening(const std::string& path);
int Threads();

// The names of this process's threads with their counts ("gstglcontext x2,
// ..."), to say which were left when a count is too high.
std::string ThreadNames();

// The threads a closed capture leaves are GStreamer's task threads, back in
// their pool: each waits there half a second for more work, then ends or
// idles for up to 15 s in GLib's shared pool. They belong to no capture, so
// the two functions below stop the idle ones while they count.
//
// The count once it has held still for longer than that half second.
int SettledThreads();
// Waits, with a deadline, for this process to run at most `most` threads.
bool ThreadsSettleAtMost(int most, std::chrono::milliseconds timeout = std::chrono::seconds(5));

} // namespace vidcore_test
