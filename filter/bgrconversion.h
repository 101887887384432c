// SPDX-License-Identifier: LGPL-2.1-or-later
/* Converting a frame of a camera's format into the frame block's bottom-up
 * BGR rows with libyuv, in one pass where libyuv has one. Prepare() does all
 * the choosing and allocating when the caps arrive; Run() then only converts:
 * it allocates, locks and logs nothing, on the streaming thread. */
#pragma once

#include <gst/video/video.h>

#include <cstdint>
#include <vector>

namespace libyuv {
struct YuvConstants;
}

namespace snapwell {

class BgrConversion {
public:
    // Ready for frames described by `info`. False when libyuv has no
    // conversion for its format, its colour matrix or range, or its layout
    // (interlaced), so that the caller converts some other way.
    bool Prepare(const GstVideoInfo& info);

    // Writes the frame's rows into `pixels`, packed, its last row first.
    // Only after a Prepare() that returned true, for a frame of that info.
    void Run(const GstVideoFrame& frame, uint8_t* pixels);

    // How a layout reaches the block: in one libyuv call, or two a band of
    // rows at a time.
    enum class Route {
        None,
        I420, // I420 and YV12
        I422, // Y42B
        I444, // Y444
        NV12,
        NV21,
        NV16, // one chroma row per row
        Packed422, // YUY2, UYVY, YVYU: split into planes a band at a time
        Gray,
        Rgb, // RGB: channels swapped
        Bgrx, // BGRx, BGRA
        Rgbx, // RGBx, RGBA
        Xrgb, // xRGB, ARGB: reordered a band at a time
        Xbgr, // xBGR, ABGR: reordered a band at a time
    };

private:
    void RunPacked422(const GstVideoFrame& frame, uint8_t* pixels);
    // Grey, xRGB and xBGR: into ARGB, then into the block, a band at a time.
    void RunViaArgb(const GstVideoFrame& frame, uint8_t* pixels);

    Route route_ = Route::None;
    GstVideoFormat format_ = GST_VIDEO_FORMAT_UNKNOWN;
    const libyuv::YuvConstants* matrix_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    // Scratch rows for the conversions libyuv makes in two steps, sized when
    // the caps arrive and reused for every band of every frame.
    std::vector<uint8_t> band_;
};

} // namespace snapwell
