// SPDX-License-Identifier: GPL-2.0-or-later
// The frame copy against the application's permission word, on a block in
// plain memory: a permission withdrawn while the copy begins backs it out;
// rows land bottom-up.
#include "filter/frameblock.h"
#include "filter/framewriter.h"

#include <gtest/gtest.h>

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
