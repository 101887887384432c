// SPDX-License-Identifier: LGPL-2.1-or-later
#include "h264_encoder.h"

#include "debug_category.h"
#include "element_factory.h"

#include <atomic>
#include <mutex>

namespace vidcore {

namespace {

    constexpr const char* kSoftware = "x264enc";
    constexpr const char* kHardware[] = { "vah264enc", "vaapih264enc" };
    // A VA-API driver that hangs on its first frames is taken as not working.
    constexpr GstClockTime kTrialTimeout = 5 * GST_SECOND;

    std::atomic<const char*> chosen { nullptr };

    // Encodes a few small frames; true when they come out as H.264.
    bool EncodesFrames(const char* factory)
    {
        g_autofree gchar* description = g_strdup_printf("videotestsrc num-buffers=5 ! "
                                                        "video/x-raw,format=NV12,width=320,height=240 ! %s ! "
                                                        "h264parse ! fakesink",
            factory);
        g_autoptr(GError) error = nullptr;
        g_autoptr(GstElement) trial = gst_parse_launch(description, &error);
        if (!trial || error)
            return false;
        bool encoded = false;
        if (gst_element_set_state(trial, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE) {
            g_autoptr(GstBus) bus = gst_element_get_bus(trial);
            g_autoptr(GstMessage) message = gst_bus_timed_pop_filtered(
                bus, kTrialTimeout, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
            encoded = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
        }
        gst_element_set_state(trial, GST_STATE_NULL);
        return encoded;
    }

    const char* Choose()
    {
        for (const char* factory : kHardware) {
            g_autoptr(GstElementFactory) found = gst_element_factory_find(factory);
            if (!found)
                continue;
            if (EncodesFrames(factory))
                return factory;
            GST_INFO("%s is installed but does not work here", factory);
        }
        return kSoftware;
    }

    void Configure(GstElement* encoder, const char* factory, int bitsPerSecond)
    {
        // Each of the three takes its bitrate in kbit/s.
        g_object_set(encoder, "bitrate", guint(bitsPerSecond / 1000), nullptr);
        if (g_str_equal(factory, kSoftware)) {
            // Real time on a small machine: no frame is held back for
            // B-frames or look-ahead.
            gst_util_set_object_arg(G_OBJECT(encoder), "speed-preset", "veryfast");
            gst_util_set_object_arg(G_OBJECT(encoder), "tune", "zerolatency");
        }
    }

} // namespace

const char* ChosenH264Encoder()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const char* expected = nullptr;
        const char* choice = Choose();
        if (chosen.compare_exchange_strong(expected, choice))
            GST_INFO("MP4 recordings encode H.264 with %s", choice);
    });
    return chosen.load();
}

void GiveUpHardwareH264Encoder()
{
    ChosenH264Encoder();
    if (chosen.exchange(kSoftware) != kSoftware)
        GST_WARNING("the VA-API H.264 encoder failed to start: MP4 recordings use %s from now on", kSoftware);
}

GstElement* MakeH264Encoder(GstElement* bin, int bitsPerSecond, std::string* error)
{
    const char* factory = ChosenH264Encoder();
    GstElement* encoder = MakeElement(factory, nullptr);
    if (!encoder) {
        factory = kSoftware;
        encoder = MakeElement(factory, error);
    }
    if (!encoder)
        return nullptr;
    Configure(encoder, factory, bitsPerSecond);
    return AddElement(bin, encoder);
}

bool IsHardwareH264Encoder(GstElement* encoder)
{
    GstElementFactory* factory = encoder ? gst_element_get_factory(encoder) : nullptr;
    if (!factory)
        return false;
    for (const char* name : kHardware)
        if (g_str_equal(GST_OBJECT_NAME(factory), name))
            return true;
    return false;
}

} // namespace vidcore
