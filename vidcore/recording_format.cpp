// SPDX-License-Identifier: LGPL-2.1-or-later
#include "recording_format.h"

#include "debug_category.h"
#include "element_factory.h"
#include "h264_encoder.h"

#include <algorithm>
#include <thread>

namespace vidcore {

namespace {

    constexpr int kAudioBitrate = 128000;
    constexpr int kKeyFrameSeconds = 2;
    constexpr guint64 kMp4FragmentMs = 1000;

    int VideoBitrate(int width, int height)
    {
        // About 3 Mbit/s at 640x480, scaled with the picture area.
        const double bits = 3000000.0 * (double(width) * height) / (640.0 * 480.0);
        return int(std::clamp(bits, 1000000.0, 12000000.0));
    }

    // The key frame distance is counted in frames: it is set from the frame
    // rate the encoder is about to be given, before it reads its settings.
    GstPadProbeReturn SetKeyFrameDistance(GstPad*, GstPadProbeInfo* info, gpointer data)
    {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS)
            return GST_PAD_PROBE_OK;
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        int numerator = 0;
        int denominator = 1;
        if (!CapsFrameRate(caps, &numerator, &denominator))
            return GST_PAD_PROBE_OK;
        auto* encoder = static_cast<GstElement*>(data);
        const int frames = std::max(1, kKeyFrameSeconds * numerator / denominator);
        const char* property = nullptr;
        for (const char* name : { "key-int-max", "keyframe-max-dist", "keyframe-period" })
            if (!property && g_object_class_find_property(G_OBJECT_GET_CLASS(encoder), name))
                property = name;
        if (property) {
            GST_DEBUG_OBJECT(encoder, "a key frame at least every %d frames", frames);
            g_object_set(encoder, property, guint(frames), nullptr);
        }
        return GST_PAD_PROBE_OK;
    }

    void KeyFramesEvery2Seconds(GstElement* encoder)
    {
        g_autoptr(GstPad) input = gst_element_get_static_pad(encoder, "sink");
        if (input)
            gst_pad_add_probe(
                input, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, SetKeyFrameDistance, encoder, nullptr);
    }

    GstElement* MakeVp8Encoder(GstElement* bin, int bitsPerSecond, std::string* error)
    {
        GstElement* encoder = MakeElement(bin, "vp8enc", error);
        if (!encoder)
            return nullptr;
        // Real-time mode: each frame encoded as it comes, none held back,
        // fast enough for 640x480 at 30 fps on two cores.
        const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
        g_object_set(encoder, "deadline", gint64(1), "cpu-used", 8, "threads", threads, "lag-in-frames", 0,
            "target-bitrate", bitsPerSecond, nullptr);
        gst_util_set_object_arg(G_OBJECT(encoder), "end-usage", "cbr");
        return encoder;
    }

} // namespace

bool RecordingTypeOf(int number, RecordingType* type)
{
    if (number < int(RecordingType::Avi) || number > int(RecordingType::WebM))
        return false;
    *type = RecordingType(number);
    return true;
}

const char* RecordingTypeName(RecordingType type)
{
    switch (type) {
    case RecordingType::Avi:
        return "AVI";
    case RecordingType::Asf:
        return "ASF";
    case RecordingType::Mp4:
        return "MP4";
    case RecordingType::WebM:
        return "WebM";
    }
    return "?";
}

GstCaps* RecordingVideoCaps(GstElement* encoder, int width, int height)
{
    // Every encoder takes 4:2:0 (the only layout browsers and phones decode),
    // asked for outright: left to itself, videoconvert hands x264enc its first
    // choice, 4:4:4. The VA-API encoders want it as NV12.
    const char* format = !encoder ? "BGR" : IsHardwareH264Encoder(encoder) ? "NV12" : "I420";
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, format, "width", G_TYPE_INT,
        width, "height", G_TYPE_INT, height, "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
    // Compressed video is limited range, whatever range the capture has.
    if (encoder)
        gst_caps_set_simple(caps, "colorimetry", G_TYPE_STRING, "bt601", nullptr);
    return caps;
}

GstCaps* RecordingAudioCaps(RecordingType type)
{
    switch (type) {
    case RecordingType::Avi:
        return gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S16LE", "layout", G_TYPE_STRING,
            "interleaved", "rate", G_TYPE_INT, 44100, "channels", G_TYPE_INT, 2, nullptr);
    case RecordingType::WebM:
        // Opus knows 48 kHz and its fractions only.
        return gst_caps_new_simple(
            "audio/x-raw", "rate", G_TYPE_INT, 48000, "channels", G_TYPE_INT, 2, nullptr);
    case RecordingType::Asf:
    case RecordingType::Mp4:
        break;
    }
    return gst_caps_new_simple("audio/x-raw", "rate", G_TYPE_INT, 44100, "channels", G_TYPE_INT, 2, nullptr);
}

GstElement* MakeRecordingVideoEncoder(
    GstElement* bin, RecordingType type, int width, int height, std::string* error)
{
    const int bitrate = VideoBitrate(width, height);
    GstElement* encoder = nullptr;
    switch (type) {
    case RecordingType::Avi:
        return nullptr;
    case RecordingType::Asf:
        encoder = MakeElement(bin, "avenc_wmv2", error);
        if (encoder)
            g_object_set(encoder, "bitrate", bitrate, nullptr);
        return encoder;
    case RecordingType::Mp4:
        encoder = MakeH264Encoder(bin, bitrate, error);
        break;
    case RecordingType::WebM:
        encoder = MakeVp8Encoder(bin, bitrate, error);
        break;
    }
    if (encoder)
        KeyFramesEvery2Seconds(encoder);
    return encoder;
}

GstElement* MakeRecordingAudioEncoder(GstElement* bin, RecordingType type, std::string* error)
{
    const char* factory = nullptr;
    switch (type) {
    case RecordingType::Avi:
        return nullptr;
    case RecordingType::Asf:
        factory = "avenc_wmav2";
        break;
    case RecordingType::Mp4:
        factory = "avenc_aac";
        break;
    case RecordingType::WebM:
        factory = "opusenc";
        break;
    }
    GstElement* encoder = MakeElement(bin, factory, error);
    if (encoder)
        g_object_set(encoder, "bitrate", kAudioBitrate, nullptr);
    return encoder;
}

GstElement* MakeRecordingMuxer(GstElement* bin, RecordingType type, std::string* error)
{
    switch (type) {
    case RecordingType::Avi:
        return MakeElement(bin, "avimux", error);
    case RecordingType::Asf:
        return MakeLibavMuxer(bin, "avmux_asf", error);
    case RecordingType::Mp4: {
        // Fragments of a second each behind an index at the front: a clip cut
        // off by a crash loses at most its last second, and every finished
        // one streams in a browser from its first byte.
        GstElement* muxer = MakeElement(bin, "mp4mux", error);
        if (muxer)
            g_object_set(muxer, "fragment-duration", guint(kMp4FragmentMs), nullptr);
        return muxer;
    }
    case RecordingType::WebM:
        return MakeElement(bin, "webmmux", error);
    }
    return nullptr;
}

bool CapsFrameRate(const GstCaps* caps, int* numerator, int* denominator)
{
    const GstStructure* structure
        = caps && gst_caps_get_size(caps) > 0 ? gst_caps_get_structure(caps, 0) : nullptr;
    return structure && gst_structure_get_fraction(structure, "framerate", numerator, denominator)
        && *numerator > 0 && *denominator > 0;
}

} // namespace vidcore
