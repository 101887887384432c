// SPDX-License-Identifier: GPL-2.0-or-later
// Every message a capture posts is freed: GStreamer's own leaks tracer
// (GST_TRACERS is set for this program) counts the messages still alive
// after a capture with a recording has been opened and closed.
#include "vidcore.h"
#include "vidcore_test_support.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace vidcore_test;

namespace {

GstTracer* LeaksTracer()
{
    GList* tracers = gst_tracing_get_active_tracers();
    GstTracer* found = nullptr;
    for (GList* item = tracers; item; item = item->next) {
        if (!found && g_strcmp0(G_OBJECT_TYPE_NAME(item->data), "GstLeaksTracer") == 0)
            found = GST_TRACER(gst_object_ref(item->data));
    }
    g_list_free_full(tracers, gst_object_unref);
    return found;
}

// The messages alive now, as the tracer knows them.
guint LiveMessages(GstTracer* tracer)
{
    GstStructure* live = nullptr;
    g_signal_emit_by_name(tracer, "get-live-objects", &live);
    if (!live)
        return G_MAXUINT;
    const GValue* list = gst_structure_get_value(live, "live-objects-list");
    const guint count = list ? gst_value_list_get_size(list) : G_MAXUINT;
    gst_structure_free(live);
    return count;
}

} // namespace

TEST(VidcoreMessages, NoMessageOutlivesTheCapture)
{
    ChooseSyntheticDevices();
    AM_SetVideoFormat(640, 480);
    ASSERT_TRUE(AM_OpenCaptureWindow(0, 0, 0)); // GStreamer starts here, with the tracer
    GstTracer* tracer = LeaksTracer();
    ASSERT_NE(tracer, nullptr) << "GST_TRACERS does not name the leaks tracer";

    AM_SetVideoType(0);
    const std::string clip = NewClipPath("messages.avi");
    AM_SetCaptureFile(0, clip.c_str());
    ASSERT_TRUE(AM_CaptureVideo(0));
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // a short clip, not a wait for an event
    AM_CaptureVideoQuit(0);
    AM_VidCapCloseWindow(0);
    AM_VidCapDestroyWindow(0);
    EXPECT_EQ(LiveMessages(tracer), 0u);

    // The count is real: a message kept is counted.
    GstMessage* kept = gst_message_new_application(nullptr, gst_structure_new_empty("kept"));
    EXPECT_EQ(LiveMessages(tracer), 1u);
    gst_message_unref(kept);
    gst_object_unref(tracer);
}
