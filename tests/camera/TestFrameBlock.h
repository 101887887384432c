// SPDX-License-Identifier: GPL-2.0-or-later
// The sink's side of a frame block, for tests and benchmarks: maps the block
// writable under names of its own and puts frames in it as the sink does.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct TestMapNames {
    std::string block;
    std::string permission;
};

// Map files no other process uses: tests run in parallel with the
// application's and each other's maps.
TestMapNames UniqueTestMapNames();

struct Bgr {
    uint8_t b, g, r;
};

class TestFrameBlock {
public:
    explicit TestFrameBlock(const std::string& path); // the file must exist
    ~TestFrameBlock();
    TestFrameBlock(const TestFrameBlock&) = delete;
    TestFrameBlock& operator=(const TestFrameBlock&) = delete;

    void SetHeaderWords(int32_t width, int32_t height, uint32_t bitCount);
    void SetFrameReady(uint32_t ready);
    // A whole 24-bit frame as the sink leaves it: bitmap header, header words,
    // bottom-up rows, FrameReady 1. `colour(x, y)` is asked with y counted
    // from the top of the picture.
    void PutFrame(int32_t width, int32_t height, const std::function<Bgr(int32_t x, int32_t y)>& colour);

private:
    unsigned char* FData = nullptr;
};
