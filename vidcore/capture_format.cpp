// SPDX-License-Identifier: LGPL-2.1-or-later
#include "capture_format.h"

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

GstCaps* CaptureSizeCaps(int width, int height)
{
    // Limited range: the scaler paints its letterbox bars as limited-range
    // black (Y 16) whatever the range, which full-range video (decoded MJPEG)
    // would show as dark grey.
    return gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "I420", "colorimetry", G_TYPE_STRING,
        "bt601", "width", G_TYPE_INT, width, "height", G_TYPE_INT, height, "pixel-aspect-ratio",
        GST_TYPE_FRACTION, 1, 1, nullptr);
}

void RenegotiateCaptureSize(GstElement* captureFilter, int width, int height)
{
    g_autoptr(GstCaps) caps = CaptureSizeCaps(width, height);
    g_object_set(captureFilter, "caps", caps, nullptr);
}

} // namespace vidcore
