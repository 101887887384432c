// SPDX-License-Identifier: GPL-2.0-or-later
// The capture library's trace: with GST_DEBUG=vidcore:5 (set for this test
// program) a capture and a recording leave their steps in the "vidcore"
// debug category, where GStreamer's own log functions receive them.
#include "vidcore.h"
#include "vidcore_test_support.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

using namespace vidcore_test;

namespace {

struct Trace {
    std::mutex lock;
    std::vector<std::string> lines;

    bool Has(const std::string& text)
    {
        std::lock_guard guard(lock);
        for (const std::string& line : lines)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }
    std::string All()
    {
        std::lock_guard guard(lock);
        std::string all;
        for (const std::string& line : lines)
            all += line + '\n';
        return all;
    }
};

// Called on whichever thread logs: the caller's or a streaming thread.
void Collect(GstDebugCategory* category, GstDebugLevel, const gchar*, const gchar*, gint, GObject*,
    GstDebugMessage* message, gpointer data)
{
    if (std::string(gst_debug_category_get_name(category)) != "vidcore")
        return;
    auto* trace = static_cast<Trace*>(data);
    std::lock_guard guard(trace->lock);
    trace->lines.emplace_back(gst_debug_message_get(message));
}

GstDebugCategory* CategoryNamed(const std::string& name)
{
    GSList* all = gst_debug_get_all_categories();
    GstDebugCategory* found = nullptr;
    for (GSList* item = all; item && !found; item = item->next)
        if (gst_debug_category_get_name(static_cast<GstDebugCategory*>(item->data)) == name)
            found = static_cast<GstDebugCategory*>(item->data);
    g_slist_free(all);
    return found;
}

} // namespace

TEST(VidcoreLogging, CaptureAndRecordingAreTraced)
{
    gst_init(nullptr, nullptr);
    Trace trace;
    // The trace goes to this test alone, not to standard error.
    gst_debug_remove_log_function(gst_debug_log_default);
    gst_debug_add_log_function(Collect, &trace, nullptr);

    ChooseSyntheticDevices();
    GstDebugCategory* category = CategoryNamed("vidcore");
    ASSERT_NE(category, nullptr);
    EXPECT_EQ(gst_debug_category_get_threshold(category), GST_LEVEL_DEBUG);
    EXPECT_TRUE(trace.Has("\"Vidcore Test Camera\" (synthetic:camera)")) << trace.All();
    EXPECT_TRUE(trace.Has("video device ") && trace.Has(" chosen")) << trace.All();

    FrameMaps maps;
    AM_SetVideoFormat(640, 480);
    ASSERT_TRUE(AM_OpenCaptureWindow(0, 0, 0));
    ASSERT_TRUE(maps.WaitForSize(640, 480));
    // The pipeline as it was built, and the caps the camera settled on.
    EXPECT_TRUE(trace.Has("added <videoconvert")) << trace.All();
    EXPECT_TRUE(trace.Has("linked ")) << trace.All();
    EXPECT_TRUE(trace.Has("the camera delivers: video/x-raw, format=(string)I420")) << trace.All();
    EXPECT_TRUE(
        trace.Has("the capture size: video/x-raw, format=(string)I420, width=(int)640, height=(int)480"))
        << trace.All();
    EXPECT_TRUE(trace.Has("camera \"Vidcore Test Camera\" opened at 640x480")) << trace.All();

    AM_SetVideoFormat(320, 240);
    EXPECT_TRUE(trace.Has("size 320x240: the running capture is scaled")) << trace.All();
    AM_SetVideoFormat(640, 480);

    const std::string clip = NewClipPath("traced.avi");
    AM_SetVideoType(0);
    AM_SetCaptureFile(0, clip.c_str());
    ASSERT_TRUE(AM_CaptureVideo(0));
    AM_CaptureVideoQuit(0);
    EXPECT_TRUE(trace.Has("recording starts: " + clip + " (AVI, 640x480")) << trace.All();
    EXPECT_TRUE(trace.Has("recording started")) << trace.All();
    EXPECT_TRUE(trace.Has("added <avimux")) << trace.All();
    EXPECT_TRUE(trace.Has("recording stopped")) << trace.All();

    AM_VidCapCloseWindow(0);
    AM_VidCapDestroyWindow(0);
    EXPECT_TRUE(trace.Has("closing the capture of \"Vidcore Test Camera\"")) << trace.All();
    gst_debug_remove_log_function(Collect);
    gst_debug_add_log_function(gst_debug_log_default, nullptr, nullptr);
}
