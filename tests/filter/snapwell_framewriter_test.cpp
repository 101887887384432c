// SPDX-License-Identifier: GPL-2.0-or-later
// The frame copy against the application's permission word, on a block in
// plain memory: a permission withdrawn while the copy begins backs it out;
// rows land bottom-up.
#include "filter/frameblock.h"
#include "filter/framewriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

TEST(SnapwellFrameWriter, WithdrawnPermissionBacksOutWithoutTouchingThePixels)
{
    std::vector<unsigned char> block(frameblock::kFrameBlockSize, 0xAA);
    frameblock::StoreWord(block.data(), frameblock::kFrameReadyOffset, 1);
    std::vector<uint8_t> frame(320 * 240 * 3, 0x11);
    frame[0] = 0x22; // the first row's first byte lands in the block's last row
    uint32_t permission = 0;

    EXPECT_FALSE(snapwell::CopyFrameBottomUp(block.data(), frame.data(), 320 * 3, 320 * 3, 240, &permission));
    EXPECT_EQ(block[0], 0xAA);
    EXPECT_EQ(frameblock::LoadWord(block.data(), frameblock::kFrameReadyOffset), 1u);

    // Before any frame FrameReady stays 0, never claiming a frame.
    frameblock::StoreWord(block.data(), frameblock::kFrameReadyOffset, 0);
    permission = 2;
    EXPECT_FALSE(snapwell::CopyFrameBottomUp(block.data(), frame.data(), 320 * 3, 320 * 3, 240, &permission));
    EXPECT_EQ(frameblock::LoadWord(block.data(), frameblock::kFrameReadyOffset), 0u);

    permission = 1;
    EXPECT_TRUE(snapwell::CopyFrameBottomUp(block.data(), frame.data(), 320 * 3, 320 * 3, 240, &permission));
    EXPECT_EQ(block[0], 0x11);
    EXPECT_EQ(block[320 * 239 * 3], 0x22);
    EXPECT_EQ(block[320 * 240 * 3 - 1], 0x11);
    EXPECT_EQ(block[320 * 240 * 3], 0xAA);
    EXPECT_EQ(frameblock::LoadWord(block.data(), frameblock::kFrameReadyOffset), 1u);
}

} // namespace

// The thread's current system call, as the kernel reports it ("202 ..." while
// it waits on a futex); empty once the thread has ended.
std::string CurrentSyscall(pid_t thread)
{
    std::ifstream file("/proc/self/task/" + std::to_string(thread) + "/syscall");
    std::string line;
    std::getline(file, line);
    return line;
}

TEST(SnapwellFrameWriter, ACompletedFrameWakesTheReaderWaitingForIt)
{
    std::vector<unsigned char> block(frameblock::kFrameBlockSize, 0);
    EXPECT_FALSE(frameblock::WaitForFrameReady(block.data(), std::chrono::milliseconds(20)));

    std::atomic<pid_t> readerId { 0 };
    std::atomic<bool> ready { false };
    const auto started = std::chrono::steady_clock::now();
    std::thread reader([&] {
        readerId = static_cast<pid_t>(::syscall(SYS_gettid));
        ready = frameblock::WaitForFrameReady(block.data(), std::chrono::seconds(60));
    });
    // The frame is completed only once the reader sleeps in the kernel, so
    // that it is the wake, not a look at the word, that ends its wait.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool blocked = false;
    while (!blocked && std::chrono::steady_clock::now() < giveUp) {
        blocked = readerId != 0 && CurrentSyscall(readerId).rfind(std::to_string(SYS_futex) + " ", 0) == 0;
        std::this_thread::yield();
    }
    uint32_t permission = 1;
    std::vector<uint8_t> frame(16 * 16 * 3, 0x33);
    EXPECT_TRUE(snapwell::CopyFrameBottomUp(block.data(), frame.data(), 16 * 3, 16 * 3, 16, &permission));
    reader.join();
    EXPECT_TRUE(blocked) << "the reader never waited in the kernel";
    EXPECT_TRUE(ready);
    // Woken, not timed out.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
}
