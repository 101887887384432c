// SPDX-License-Identifier: LGPL-2.1-or-later
#include "capture_format.h"

#include "source_format.h"

namespace vidcore {

bool IsCaptureSize(int width, int height)
{
    static constexpr int sizes[][2]
        = { { 320, 240 }, { 640, 480 }, { 800, 600 }, { 1024, 768 }, { 1280, 1024 }, { 1600, 1200 } };
    for (const auto& size : sizes)
        if (size[0] == width && size[1] == height)
            return true;
    return false;
}

namespace {

    GstStructure* I420At(int width, int height, const char* colorimetry)
    {
        return gst_structure_new("video/x-raw", "format", G_TYPE_STRING, "I420", "colorimetry", G_TYPE_STRING,
            colorimetry, "width", G_TYPE_INT, width, "height", G_TYPE_INT, height, "pixel-aspect-ratio",
            GST_TYPE_FRACTION, 1, 1, nullptr);
    }

    bool IsJpegOfSize(const GstCaps* caps, int width, int height)
    {
        if (!caps || !IsJpegCaps(caps))
            return false;
        const GstStructure* structure = gst_caps_get_structure(caps, 0);
        int w = 0;
        int h = 0;
        return gst_structure_get_int(structure, "width", &w) && gst_structure_get_int(structure, "height", &h)
            && w == width && h == height;
    }

} // namespace

GstCaps* CaptureSizeCaps(int width, int height, const GstCaps* sourceCaps)
{
    GstCaps* caps = gst_caps_new_empty();
    // MJPEG of exactly this size needs no bars: the decoder's own full-range
    // I420 goes on as it is, and the only conversion left is the frame
    // grab's into BGR.
    if (IsJpegOfSize(sourceCaps, width, height))
        gst_caps_append_structure(caps, I420At(width, height, "1:4:0:0"));
    // Otherwise limited range: the scaler paints its letterbox bars as
    // limited-range black (Y 16) whatever the range, which full-range video
    // would show as dark grey.
    gst_caps_append_structure(caps, I420At(width, height, "bt601"));
    return caps;
}

void RenegotiateCaptureSize(GstElement* captureFilter, int width, int height, const GstCaps* sourceCaps)
{
    g_autoptr(GstCaps) caps = CaptureSizeCaps(width, height, sourceCaps);
    g_object_set(captureFilter, "caps", caps, nullptr);
}

namespace {

    struct SizeChange {
        GstElement* filter;
        GstCaps* caps;
    };

    GstPadProbeReturn ApplySizeChange(GstPad*, GstPadProbeInfo*, gpointer data)
    {
        const auto* change = static_cast<const SizeChange*>(data);
        g_object_set(change->filter, "caps", change->caps, nullptr);
        return GST_PAD_PROBE_REMOVE;
    }

    void FreeSizeChange(gpointer data)
    {
        auto* change = static_cast<SizeChange*>(data);
        gst_object_unref(change->filter);
        gst_caps_unref(change->caps);
        delete change;
    }

} // namespace

void RenegotiateCaptureSizeBeforeNextFrame(
    GstElement* scaler, GstElement* captureFilter, int width, int height, const GstCaps* sourceCaps)
{
    g_autoptr(GstPad) input = gst_element_get_static_pad(scaler, "sink");
    if (!input) {
        RenegotiateCaptureSize(captureFilter, width, height, sourceCaps);
        return;
    }
    // Changes asked for in a row are applied in that order, before one frame.
    auto* change = new SizeChange { GST_ELEMENT(gst_object_ref(captureFilter)),
        CaptureSizeCaps(width, height, sourceCaps) };
    gst_pad_add_probe(input, GST_PAD_PROBE_TYPE_BUFFER, ApplySizeChange, change, FreeSizeChange);
}

} // namespace vidcore
