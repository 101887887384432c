// SPDX-License-Identifier: GPL-2.0-or-later
#include "SmallTmpfs.h"
#include "snapwell_test_support.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace snapwell_test;
using namespace frameblock;

namespace {

// How many mappings of this process show the file.
int MappingsOf(const std::string& path)
{
    std::error_code error;
    const std::string real = std::filesystem::canonical(path, error).string();
    std::ifstream maps("/proc/self/maps");
    int count = 0;
    for (std::string line; std::getline(maps, line);)
        count += line.size() > real.size() && line.compare(line.size() - real.size(), real.size(), real) == 0
            && line[line.size() - real.size() - 1] == ' ';
    return count;
}

// Kept apart from the other sink tests, which share one set of maps from the
// start of their process.
TEST(SnapwellMapsTest, MapsThatAppearLaterAreOpenedAtTheNextCaps)
{
    InitGstreamer();
    FrameMaps::Remove();

    g_autoptr(GstElement) pipeline = Launch("videotestsrc num-buffers=2 pattern=white ! capsfilter name=size "
                                            "! Snapwell_Quillon");
    ASSERT_NE(pipeline, nullptr);
    g_autoptr(GstElement) size = gst_bin_get_by_name(GST_BIN(pipeline), "size");
    auto runAt = [&](int width, int height) {
        g_autoptr(GstCaps) caps = gst_caps_from_string(BgrCaps(width, height).c_str());
        g_object_set(size, "caps", caps, nullptr);
        return RunToEnd(pipeline);
    };

    // Without maps: types and frames are accepted, nothing is written.
    RunResult result = runAt(320, 240);
    ASSERT_TRUE(result.eos) << result.error;

    // A block of the wrong size is not ours to write into.
    {
        FrameMaps wrongSize(4096);
        result = runAt(160, 120);
        ASSERT_TRUE(result.eos) << result.error;
        EXPECT_TRUE(
            std::all_of(wrongSize.block(), wrongSize.block() + 4096, [](unsigned char b) { return b == 0; }));
    }

    // A block that is only sized, in a runtime folder without room for it:
    // the sink reserves its space before mapping it, and a failed reservation
    // leaves the map closed. Written into unreserved, the first frame would
    // fault (SIGBUS) once the folder is full.
    {
        glimview_test::SmallTmpfs disk("256k");
        if (disk.Mounted()) {
            glimview_test::RuntimeFolderOverride runtime(disk.Path());
            FrameMaps sparse; // sized with ftruncate
            result = runAt(640, 480);
            ASSERT_TRUE(result.eos) << result.error;
            EXPECT_EQ(sparse.Word(kWidthOffset), 0u);
        } else {
            std::fprintf(stderr, "no small tmpfs here (not root?): the full folder is not tried\n");
        }
    }

    // The application has started: the same element picks the maps up at its next caps.
    FrameMaps maps;
    result = runAt(80, 60);
    ASSERT_TRUE(result.eos) << result.error;
    EXPECT_EQ(maps.Word(kHeightOffset), 60u);
    EXPECT_EQ(maps.Word(kWidthOffset), 80u);
    EXPECT_EQ(maps.Word(kFrameReadyOffset), 1u);
    EXPECT_EQ(maps.block()[kBitmapHeaderOffset], 40);
    const std::size_t frameBytes = 80 * 60 * 3;
    EXPECT_TRUE(
        std::all_of(maps.block(), maps.block() + frameBytes, [](unsigned char b) { return b == 0xFF; }));
    EXPECT_EQ(maps.block()[frameBytes], 0);

    // Stopped, the sink holds no map; only the test's own remain.
    EXPECT_EQ(MappingsOf(MapFilePath(kFrameBlockMapName)), 1);
    EXPECT_EQ(MappingsOf(MapFilePath(kPermissionMapName)), 1);
}

} // namespace
