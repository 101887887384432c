// SPDX-License-Identifier: LGPL-2.1-or-later
#include "preview_sink.h"

#include "element_factory.h"

#include <gst/video/videooverlay.h>

#include <cstdlib>
#include <initializer_list>

namespace vidcore {

namespace {

    bool HaveXDisplay()
    {
        const char* display = std::getenv("DISPLAY");
        return display && *display;
    }

    GstElement* MakeWindowSink()
    {
        // glimagesink scales to the window and works on desktops and under Xvfb;
        // ximagesink is the fallback where OpenGL is missing. xvimagesink is left
        // out: Xvfb offers no Xv port. A missing window sink is no error: the
        // next one, or the fake sink, takes its place.
        for (const char* factory : { "glimagesink", "ximagesink" }) {
            GstElement* sink = gst_element_factory_make(factory, nullptr);
            if (!sink)
                continue;
            if (g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "force-aspect-ratio"))
                g_object_set(sink, "force-aspect-ratio", FALSE, nullptr);
            // The application's window receives the mouse and keyboard, not the sink.
            g_object_set(sink, "handle-events", FALSE, nullptr);
            return sink;
        }
        return nullptr;
    }

} // namespace

GstElement* CreatePreviewSink(uintptr_t window, std::string* error)
{
    GstElement* sink = window && HaveXDisplay() ? MakeWindowSink() : nullptr;
    if (sink) {
        gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink), window);
    } else {
        sink = MakeElement("fakesink", error);
        if (!sink)
            return nullptr;
        g_object_set(sink, "async", FALSE, nullptr);
    }
    // A live picture is shown as it comes: never held back, never dropped as late.
    g_object_set(sink, "sync", FALSE, nullptr);
    return sink;
}

void PointPreviewAt(GstElement* sink, uintptr_t window)
{
    if (!GST_IS_VIDEO_OVERLAY(sink))
        return;
    gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink), window);
    gst_video_overlay_expose(GST_VIDEO_OVERLAY(sink));
}

} // namespace vidcore
