// SPDX-License-Identifier: GPL-2.0-or-later
/* Shared pieces of the Snapwell sink tests: the real frame maps, created the
 * way the application creates them, and pipelines run to their end. */
#pragma once

#include "filter/frameblock.h"

#include <gst/gst.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace snapwell_test {

// gst_init and the freshly built plugin, whatever GST_PLUGIN_PATH says.
void InitGstreamer();

// The two map files under the names of this test process (the test launcher
// gives each test process its own GLIMVIEW_SHM_SUFFIX), mapped read-write;
// unlinked again on destruction. A block size other than the
// real one makes a map the sink must refuse.
class FrameMaps {
public:
    explicit FrameMaps(std::size_t blockSize = frameblock::kFrameBlockSize);
    ~FrameMaps();
    FrameMaps(const FrameMaps&) = delete;
    FrameMaps& operator=(const FrameMaps&) = delete;

    static void Remove();

    unsigned char* block() const { return block_; }
    std::size_t blockSize() const { return blockSize_; }
    uint32_t Word(std::size_t offset) const { return frameblock::LoadWord(block_, offset); }
    void SetWord(std::size_t offset, uint32_t value) { frameblock::StoreWord(block_, offset, value); }
    void SetPermission(uint32_t value) { frameblock::StoreWord(permission_, 0, value); }

private:
    std::size_t blockSize_;
    unsigned char* block_ = nullptr;
    void* permission_ = nullptr;
};

struct RunResult {
    bool eos = false;
    std::string error; // empty when no error was posted
    std::vector<std::string> warnings;
};

// Plays the pipeline until end-of-stream or an error (with a deadline), then
// stops it.
RunResult RunToEnd(GstElement* pipeline);

// A pipeline from a launch line; fails the test when it does not parse.
GstElement* Launch(const std::string& description);

// A BGR frame of width x height whose rows lie `stride` bytes apart; the
// padding between rows holds bytes that must never reach the block.
struct TestFrame {
    int width;
    int height;
    std::size_t stride;
    std::vector<unsigned char> bytes;

    TestFrame(int width, int height, std::size_t stride, unsigned seed);
    std::size_t rowBytes() const { return static_cast<std::size_t>(width) * 3; }
    // Whether the block's pixel area starts with this frame's rows, packed
    // and bottom-up: the frame's last row first.
    bool PackedBottomUpAt(const unsigned char* pixels) const;
};

// `appsrc ! Snapwell_Quillon` run with the given frames (buffers without video
// metadata unless `withVideoMeta`), all of one size.
RunResult PushFrames(
    const std::vector<TestFrame>& frames, bool withVideoMeta = false, GstElement** sinkOut = nullptr);

std::string BgrCaps(int width, int height);

} // namespace snapwell_test
