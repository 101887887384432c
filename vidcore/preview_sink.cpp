// SPDX-License-Identifier: LGPL-2.1-or-later
#include "preview_sink.h"

#include "debug_category.h"
#include "element_factory.h"
#include "gl_warmup.h"
#include "isolated_input.h"
#include "notices.h"
#include "preview_mirror.h"

#include <gst/video/video.h>
#include <gst/video/videooverlay.h>

#include <atomic>
#include <cstdlib>
#include <vector>

namespace vidcore {

namespace {

    constexpr const char* kSinkName = "preview-sink";
    constexpr const char* kFlipName = "preview-flip";

    GstVideoOrientationMethod FlipMethod(bool mirrored)
    {
        return mirrored ? GST_VIDEO_ORIENTATION_HORIZ : GST_VIDEO_ORIENTATION_IDENTITY;
    }

    // The elements that turn the picture for a sink of `kind`, added to `bin`
    // and linked in order; the last one is the flip. None for a sink that
    // draws nothing, nor for glimagesink, which turns the picture as it
    // draws it (its rotate-method), at no cost and with no element more.
    // For ximagesink the flip is the conversion into four bytes a pixel,
    // which turns the rows as it converts them; the converter before it
    // passes the camera's I420 (Y42B, Y444) through and brings any other
    // format to one the flip takes.
    std::vector<GstElement*> MakeMirrorStage(
        GstElement* bin, uintptr_t window, PreviewSinkKind kind, bool mirrored, std::string* error)
    {
        if (!PreviewHasWindow(window) || kind != PreviewSinkKind::XImage)
            return {};
        std::vector<GstElement*> stage;
        stage.push_back(MakeElement(bin, "videoconvert", error));
        GstElement* flip = MakeElement(PreviewMirrorFactory(), error);
        if (flip) {
            gst_object_set_name(GST_OBJECT(flip), kFlipName);
            g_object_set(flip, "mirrored", gboolean(mirrored), nullptr);
        }
        AddElement(bin, flip);
        stage.push_back(flip);
        return stage;
    }

    // glimagesink turns what it draws; false for a sink that cannot.
    bool TurnInTheSink(GstElement* sink, bool mirrored)
    {
        if (!g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "rotate-method"))
            return false;
        // GstGLRotateMethod numbers its turns as GstVideoOrientationMethod does.
        g_object_set(sink, "rotate-method", int(FlipMethod(mirrored)), nullptr);
        return true;
    }

    const char* FactoryOf(PreviewSinkKind kind)
    {
        switch (kind) {
        case PreviewSinkKind::OpenGL:
            return "glimagesink";
        case PreviewSinkKind::XImage:
            return "ximagesink";
        case PreviewSinkKind::None:
            break;
        }
        return "fakesink";
    }

    bool Installed(PreviewSinkKind kind)
    {
        g_autoptr(GstElementFactory) factory = gst_element_factory_find(FactoryOf(kind));
        return factory != nullptr;
    }

    // The first installed sink from `kind` on.
    PreviewSinkKind FirstInstalledFrom(PreviewSinkKind kind)
    {
        // xvimagesink is left out: Xvfb, VNC and most virtual machines offer
        // no Xv port.
        if (kind == PreviewSinkKind::OpenGL && !Installed(kind))
            kind = PreviewSinkKind::XImage;
        if (kind == PreviewSinkKind::XImage && !Installed(kind))
            kind = PreviewSinkKind::None;
        return kind;
    }

    // -1 until the first preview with a window asks.
    std::atomic<int> chosenSink { -1 };

    GstElement* MakeSink(uintptr_t window, PreviewSinkKind kind, std::string* error)
    {
        if (!PreviewHasWindow(window) || kind == PreviewSinkKind::None)
            return MakeElement("fakesink", error);
        GstElement* sink = MakeElement(FactoryOf(kind), error);
        if (!sink)
            return nullptr;
        // The picture is stretched to the window, as the view is sized for it.
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "force-aspect-ratio"))
            g_object_set(sink, "force-aspect-ratio", FALSE, nullptr);
        // The application's window receives the mouse and keyboard, not the sink.
        g_object_set(sink, "handle-events", FALSE, nullptr);
        gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink), window);
        return sink;
    }

    // Asks the elements before the sink to negotiate again: ximagesink offers
    // its window's current size first, and the scaler follows it.
    void Renegotiate(GstElement* sink)
    {
        g_autoptr(GstPad) pad = gst_element_get_static_pad(sink, "sink");
        if (pad)
            gst_pad_push_event(pad, gst_event_new_reconfigure());
    }

} // namespace

PreviewSinkKind PreviewSinkChoice()
{
    int chosen = chosenSink.load();
    if (chosen < 0) {
        // Without OpenGL on the X display glimagesink cannot draw: left to
        // itself it would open a display of its own, a Wayland one on a
        // Wayland desktop, and draw into an X window through it.
        const PreviewSinkKind best = X11OpenGLWorks() ? PreviewSinkKind::OpenGL : PreviewSinkKind::XImage;
        const int first = int(FirstInstalledFrom(best));
        if (chosenSink.compare_exchange_strong(chosen, first)) {
            GST_INFO("the preview draws with %s", FactoryOf(PreviewSinkKind(first)));
            chosen = first;
        }
    }
    return PreviewSinkKind(chosen);
}

PreviewSinkKind GiveUpPreviewSink(PreviewSinkKind kind)
{
    const PreviewSinkKind next = kind == PreviewSinkKind::OpenGL ? FirstInstalledFrom(PreviewSinkKind::XImage)
                                                                 : PreviewSinkKind::None;
    int expected = int(kind);
    if (chosenSink.compare_exchange_strong(expected, int(next))) {
        GST_WARNING("%s cannot show the picture on this display; the preview draws with %s from now on",
            FactoryOf(kind), FactoryOf(next));
        if (next == PreviewSinkKind::None)
            PostNotice(VidcoreNotice::DisplayFailed);
        return next;
    }
    return PreviewSinkKind(expected); // another capture gave it up already
}

bool PreviewHasWindow(uintptr_t window)
{
    const char* display = std::getenv("DISPLAY");
    return window && display && *display;
}

GstElement* CreatePreviewBranch(uintptr_t window, PreviewSinkKind kind, bool mirrored, std::string* error)
{
    // Held until it is handed over floating: every way out below drops it.
    g_autoptr(GstElement) bin = GST_ELEMENT(gst_object_ref_sink(gst_bin_new("preview")));
    GstElement* queue = MakeElement(bin, "queue", error);
    GstElement* convert = MakeElement(bin, "videoconvert", error);
    GstElement* scale = MakeElement(bin, "videoscale", error);
    const std::vector<GstElement*> mirror = MakeMirrorStage(bin, window, kind, mirrored, error);
    GstElement* sink = MakeSink(window, kind, error);
    // Named before it has a parent: a child cannot be renamed.
    if (sink)
        gst_object_set_name(GST_OBJECT(sink), kSinkName);
    if (sink && mirror.empty())
        TurnInTheSink(sink, mirrored);
    AddElement(bin, sink);
    if (!error->empty())
        return nullptr;
    // A slow window drops its oldest frames rather than holding up the tee.
    g_object_set(queue, "leaky", 2 /* downstream */, "max-size-buffers", 3u, "max-size-bytes", 0u,
        "max-size-time", guint64(0), nullptr);
    // The window gets the whole picture, stretched as the view is sized for it.
    g_object_set(scale, "add-borders", FALSE, nullptr);
    // A live picture is shown as it comes: never held back, never dropped as
    // late, and the capture runs without waiting for the first one.
    g_object_set(sink, "sync", FALSE, "async", FALSE, nullptr);
    g_autoptr(GstPad) input = gst_element_get_static_pad(queue, "sink");
    // After the flip's four bytes a pixel the converter passes them through
    // to the sink, or brings them to a display of another depth.
    std::vector<GstElement*> chain { queue };
    chain.insert(chain.end(), mirror.begin(), mirror.end());
    chain.insert(chain.end(), { convert, scale, sink });
    bool linked = true;
    for (size_t i = 1; i < chain.size() && linked; ++i)
        linked = gst_element_link(chain[i - 1], chain[i]);
    if (!linked || !AddIsolatedInput(bin, input, "sink")) {
        *error = "the preview cannot be linked";
        return nullptr;
    }
    std::string order;
    for (GstElement* element : chain)
        order += std::string(order.empty() ? "" : " ! ") + GST_ELEMENT_NAME(element);
    GST_DEBUG_OBJECT(
        bin, "%s (%s, %s)", order.c_str(), G_OBJECT_TYPE_NAME(sink), mirrored ? "mirrored" : "not mirrored");
    GstElement* handed = static_cast<GstElement*>(g_steal_pointer(&bin));
    g_object_force_floating(G_OBJECT(handed));
    return handed;
}

GstElement* PreviewSinkIn(GstElement* branch)
{
    return branch && GST_IS_BIN(branch) ? gst_bin_get_by_name(GST_BIN(branch), kSinkName) : nullptr;
}

void MirrorPreview(GstElement* branch, bool mirrored)
{
    if (!branch || !GST_IS_BIN(branch))
        return;
    g_autoptr(GstElement) flip = gst_bin_get_by_name(GST_BIN(branch), kFlipName);
    if (!flip) {
        g_autoptr(GstElement) sink = PreviewSinkIn(branch);
        if (sink && TurnInTheSink(sink, mirrored))
            GST_INFO_OBJECT(
                branch, "the preview is %s", mirrored ? "mirrored" : "shown as the camera sees it");
        return; // else the picture is not drawn
    }
    GST_INFO_OBJECT(branch, "the preview is %s", mirrored ? "mirrored" : "shown as the camera sees it");
    g_object_set(flip, "mirrored", gboolean(mirrored), nullptr);
}

void PointPreviewAt(GstElement* branch, uintptr_t window)
{
    g_autoptr(GstElement) sink = PreviewSinkIn(branch);
    if (!sink || !GST_IS_VIDEO_OVERLAY(sink))
        return;
    gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink), window);
    gst_video_overlay_expose(GST_VIDEO_OVERLAY(sink));
    Renegotiate(sink);
}

void RefitPreview(GstElement* branch)
{
    g_autoptr(GstElement) sink = PreviewSinkIn(branch);
    if (!sink || !GST_IS_VIDEO_OVERLAY(sink))
        return;
    // Exposing makes the sink read its window's size again.
    gst_video_overlay_expose(GST_VIDEO_OVERLAY(sink));
    Renegotiate(sink);
}

} // namespace vidcore
