// SPDX-License-Identifier: GPL-2.0-or-later
#include "fakecam_frames.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>

namespace fakecam {

namespace {

    constexpr guint8 kBars[8][3] = {
        { 235, 235, 235 },
        { 235, 235, 16 },
        { 16, 235, 235 },
        { 16, 235, 16 },
        { 235, 16, 235 },
        { 235, 16, 16 },
        { 16, 16, 235 },
        { 16, 16, 16 },
    };

    // Colour bars in the upper two thirds, a grey ramp below, and a white bar
    // whose place depends on the frame number.
    void PaintRgb(guint8* pixels, int stride, int width, int height, int frame)
    {
        const int barWidth = std::max(1, width / (kLoopFrames * 2));
        const int movingX = (width - barWidth) * frame / (kLoopFrames - 1);
        const int rampTop = height * 2 / 3;
        for (int y = 0; y < height; ++y) {
            guint8* row = pixels + gsize(y) * stride;
            for (int x = 0; x < width; ++x) {
                guint8* px = row + x * 3;
                if (x >= movingX && x < movingX + barWidth) {
                    px[0] = px[1] = px[2] = 255;
                } else if (y < rampTop) {
                    const guint8* bar = kBars[x * 8 / width];
                    px[0] = bar[0];
                    px[1] = bar[1];
                    px[2] = bar[2];
                } else {
                    px[0] = px[1] = px[2] = guint8(x * 255 / std::max(1, width - 1));
                }
            }
        }
    }

    struct RgbFrame {
        GstVideoInfo info;
        GstBuffer* buffer;
    };

    RgbFrame NewRgbFrame(int width, int height, int frame)
    {
        RgbFrame rgb;
        gst_video_info_set_format(&rgb.info, GST_VIDEO_FORMAT_RGB, width, height);
        rgb.buffer = gst_buffer_new_allocate(nullptr, rgb.info.size, nullptr);
        GstMapInfo map;
        gst_buffer_map(rgb.buffer, &map, GST_MAP_WRITE);
        PaintRgb(map.data, GST_VIDEO_INFO_PLANE_STRIDE(&rgb.info, 0), width, height, frame);
        gst_buffer_unmap(rgb.buffer, &map);
        return rgb;
    }

} // namespace

std::vector<GstMemory*> RenderRawFrames(const GstVideoInfo& info)
{
    std::vector<GstMemory*> frames;
    const int width = GST_VIDEO_INFO_WIDTH(&info);
    const int height = GST_VIDEO_INFO_HEIGHT(&info);

    GstVideoInfo srcInfo;
    gst_video_info_set_format(&srcInfo, GST_VIDEO_FORMAT_RGB, width, height);
    GST_VIDEO_INFO_FPS_N(&srcInfo) = GST_VIDEO_INFO_FPS_N(&info);
    GST_VIDEO_INFO_FPS_D(&srcInfo) = GST_VIDEO_INFO_FPS_D(&info);
    GST_VIDEO_INFO_PAR_N(&srcInfo) = GST_VIDEO_INFO_PAR_N(&info);
    GST_VIDEO_INFO_PAR_D(&srcInfo) = GST_VIDEO_INFO_PAR_D(&info);
    GstVideoConverter* converter
        = gst_video_converter_new(&srcInfo, const_cast<GstVideoInfo*>(&info), nullptr);
    if (!converter)
        return frames;

    for (int i = 0; i < kLoopFrames; ++i) {
        RgbFrame rgb = NewRgbFrame(width, height, i);
        GstBuffer* out = gst_buffer_new_allocate(nullptr, info.size, nullptr);
        GstVideoFrame in, dest;
        gst_video_frame_map(&in, &rgb.info, rgb.buffer, GST_MAP_READ);
        gst_video_frame_map(&dest, const_cast<GstVideoInfo*>(&info), out, GST_MAP_WRITE);
        gst_video_converter_frame(converter, &in, &dest);
        gst_video_frame_unmap(&dest);
        gst_video_frame_unmap(&in);
        frames.push_back(gst_buffer_get_all_memory(out));
        gst_buffer_unref(out);
        gst_buffer_unref(rgb.buffer);
    }
    gst_video_converter_free(converter);
    return frames;
}

std::vector<GstMemory*> JpegFrames(int width, int height)
{
    // Kept for the whole process: a handful of sizes, a few hundred KB each.
    static std::mutex mutex;
    static auto* cache = new std::map<std::pair<int, int>, std::vector<GstMemory*>>;

    std::lock_guard lock(mutex);
    std::vector<GstMemory*>& loop = (*cache)[{ width, height }];
    if (loop.empty()) {
        tjhandle encoder = tjInitCompress();
        for (int i = 0; encoder && i < kLoopFrames; ++i) {
            RgbFrame rgb = NewRgbFrame(width, height, i);
            GstMapInfo map;
            gst_buffer_map(rgb.buffer, &map, GST_MAP_READ);
            unsigned char* jpeg = nullptr;
            unsigned long jpegSize = 0;
            int result = tjCompress2(encoder, map.data, width, GST_VIDEO_INFO_PLANE_STRIDE(&rgb.info, 0),
                height, TJPF_RGB, &jpeg, &jpegSize, TJSAMP_422, 85, TJFLAG_FASTDCT);
            gst_buffer_unmap(rgb.buffer, &map);
            gst_buffer_unref(rgb.buffer);
            if (result == 0) {
                GstMemory* memory = gst_allocator_alloc(nullptr, jpegSize, nullptr);
                GstMapInfo out;
                gst_memory_map(memory, &out, GST_MAP_WRITE);
                std::memcpy(out.data, jpeg, jpegSize);
                gst_memory_unmap(memory, &out);
                loop.push_back(memory);
            }
            tjFree(jpeg);
        }
        if (encoder)
            tjDestroy(encoder);
        if (loop.size() != kLoopFrames) {
            for (GstMemory* memory : loop)
                gst_memory_unref(memory);
            loop.clear();
        }
    }

    std::vector<GstMemory*> refs;
    for (GstMemory* memory : loop)
        refs.push_back(gst_memory_ref(memory));
    return refs;
}

} // namespace fakecam
