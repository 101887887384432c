// SPDX-License-Identifier: GPL-2.0-or-later
#include "TestFrameBlock.h"

#include "filter/frameblock.h"

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/mman.h>
#include <unistd.h>

TestMapNames UniqueTestMapNames()
{
    static std::atomic<int> counter { 0 };
    const std::string stem = runtimefolder::Path() + "/glimview-camera-test." + std::to_string(::getpid())
        + "." + std::to_string(counter++);
    return { stem + ".block", stem + ".permission" };
}

TestFrameBlock::TestFrameBlock(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("no frame block " + path);
    void* view = ::mmap(nullptr, frameblock::kFrameBlockSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (view == MAP_FAILED)
        throw std::runtime_error("cannot map " + path);
    FData = static_cast<unsigned char*>(view);
}

TestFrameBlock::~TestFrameBlock() { ::munmap(FData, frameblock::kFrameBlockSize); }

void TestFrameBlock::SetHeaderWords(int32_t width, int32_t height, uint32_t bitCount)
{
    frameblock::StoreWord(FData, frameblock::kHeightOffset, static_cast<uint32_t>(height));
    frameblock::StoreWord(FData, frameblock::kWidthOffset, static_cast<uint32_t>(width));
    frameblock::StoreWord(FData, frameblock::kBitCountOffset, bitCount);
}

void TestFrameBlock::SetFrameReady(uint32_t ready) { frameblock::SetFrameReady(FData, ready); }

void TestFrameBlock::PutFrame(
    int32_t width, int32_t height, const std::function<Bgr(int32_t x, int32_t y)>& colour)
{
    frameblock::BitmapInfoHeader header {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = frameblock::kBiRgb;
    header.biSizeImage = static_cast<uint32_t>(width * height * 3);
    std::memcpy(FData + frameblock::kBitmapHeaderOffset, &header, sizeof header);
    SetHeaderWords(width, height, 24);
    SetFrameReady(0);
    for (int32_t row = 0; row < height; ++row) {
        unsigned char* line = FData + static_cast<std::size_t>(row) * width * 3;
        for (int32_t x = 0; x < width; ++x) {
            const Bgr pixel = colour(x, height - 1 - row);
            line[x * 3] = pixel.b;
            line[x * 3 + 1] = pixel.g;
            line[x * 3 + 2] = pixel.r;
        }
    }
    SetFrameReady(1);
}
