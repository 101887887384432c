// SPDX-License-Identifier: GPL-2.0-or-later
#include "snapwell_test_support.h"

#include "shared_map.h"

#include <gst/app/gstappsrc.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace snapwell_test {

void InitGstreamer()
{
    gst_init(nullptr, nullptr);
    gst_registry_scan_path(gst_registry_get(), GLIMVIEW_PLUGIN_DIR);
}

namespace {

    void* CreateMap(const char* mapName, std::size_t size)
    {
        const std::string name = frameblock::MapFilePath(mapName);
        void* view = CreateSharedMap(name, size, false);
        if (!view)
            ADD_FAILURE() << "creating " << name << ": " << std::strerror(errno);
        return view;
    }

} // namespace

FrameMaps::FrameMaps(std::size_t blockSize)
    : blockSize_(blockSize)
{
    Remove(); // a fresh block reads as zeros, as the application's does
    block_ = static_cast<unsigned char*>(CreateMap(frameblock::kFrameBlockMapName, blockSize));
    permission_ = CreateMap(frameblock::kPermissionMapName, frameblock::kPermissionSize);
    if (permission_)
        SetPermission(1);
}

FrameMaps::~FrameMaps()
{
    if (block_)
        ::munmap(block_, blockSize_);
    if (permission_)
        ::munmap(permission_, frameblock::kPermissionSize);
    Remove();
}

void FrameMaps::Remove()
{
    ::unlink(frameblock::MapFilePath(frameblock::kFrameBlockMapName).c_str());
    ::unlink(frameblock::MapFilePath(frameblock::kPermissionMapName).c_str());
}

RunResult RunToEnd(GstElement* pipeline)
{
    RunResult result;
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        result.error = "could not start the pipeline";

    g_autoptr(GstBus) bus = gst_element_get_bus(pipeline);
    const gint64 deadline = g_get_monotonic_time() + 20 * G_USEC_PER_SEC;
    while (result.error.empty() && !result.eos) {
        const gint64 left = deadline - g_get_monotonic_time();
        if (left <= 0) {
            result.error = "no end-of-stream within the deadline";
            break;
        }
        g_autoptr(GstMessage) message = gst_bus_timed_pop_filtered(bus, left * GST_USECOND,
            static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR | GST_MESSAGE_WARNING));
        if (!message)
            continue;
        g_autoptr(GError) error = nullptr;
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS:
            result.eos = true;
            break;
        case GST_MESSAGE_ERROR:
            gst_message_parse_error(message, &error, nullptr);
            result.error = error->message;
            break;
        case GST_MESSAGE_WARNING:
            gst_message_parse_warning(message, &error, nullptr);
            result.warnings.push_back(error->message);
            break;
        default:
            break;
        }
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    return result;
}

GstElement* Launch(const std::string& description)
{
    g_autoptr(GError) error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    EXPECT_TRUE(pipeline && !error) << description << ": " << (error ? error->message : "");
    return pipeline;
}

TestFrame::TestFrame(int width, int height, std::size_t stride, unsigned seed)
    : width(width)
    , height(height)
    , stride(stride)
    , bytes(stride * static_cast<std::size_t>(height), 0xEE)
{
    for (int row = 0; row < height; ++row)
        for (std::size_t column = 0; column < rowBytes(); ++column)
            bytes[row * stride + column]
                = static_cast<unsigned char>(seed + row * 7 + column * 13 + (column >> 8));
}

bool TestFrame::PackedBottomUpAt(const unsigned char* pixels) const
{
    for (int row = 0; row < height; ++row)
        if (std::memcmp(pixels + (height - 1 - row) * rowBytes(), bytes.data() + row * stride, rowBytes())
            != 0)
            return false;
    return true;
}

std::string BgrCaps(int width, int height)
{
    return "video/x-raw,format=BGR,width=" + std::to_string(width) + ",height=" + std::to_string(height)
        + ",framerate=30/1";
}

RunResult PushFrames(const std::vector<TestFrame>& frames, bool withVideoMeta, GstElement** sinkOut)
{
    g_autoptr(GstElement) pipeline = Launch("appsrc name=src format=time ! Snapwell_Quillon name=sink");
    if (!pipeline)
        return { false, "no pipeline", {} };
    g_autoptr(GstElement) src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    g_autoptr(GstCaps) caps
        = gst_caps_from_string(BgrCaps(frames.front().width, frames.front().height).c_str());
    gst_app_src_set_caps(GST_APP_SRC(src), caps);

    GstClockTime pts = 0;
    for (const TestFrame& frame : frames) {
        GstBuffer* buffer = gst_buffer_new_memdup(frame.bytes.data(), frame.bytes.size());
        GST_BUFFER_PTS(buffer) = pts;
        GST_BUFFER_DURATION(buffer) = GST_SECOND / 30;
        pts += GST_SECOND / 30;
        if (withVideoMeta) {
            gsize offset[GST_VIDEO_MAX_PLANES] = { 0 };
            gint stride[GST_VIDEO_MAX_PLANES] = { static_cast<gint>(frame.stride) };
            gst_buffer_add_video_meta_full(buffer, GST_VIDEO_FRAME_FLAG_NONE, GST_VIDEO_FORMAT_BGR,
                static_cast<guint>(frame.width), static_cast<guint>(frame.height), 1, offset, stride);
        }
        gst_app_src_push_buffer(GST_APP_SRC(src), buffer);
    }
    gst_app_src_end_of_stream(GST_APP_SRC(src));

    RunResult result = RunToEnd(pipeline);
    if (sinkOut)
        *sinkOut = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    return result;
}

} // namespace snapwell_test
