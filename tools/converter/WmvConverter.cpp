// SPDX-License-Identifier: GPL-2.0-or-later
#include "WmvConverter.h"

#include "element_factory.h"
#include "timestamp_restamper.h"

#include <gst/pbutils/pbutils.h>

#include <algorithm>
#include <memory>

namespace {

constexpr GstClockTime DiscoverTimeout = 10 * GST_SECOND;
constexpr GstClockTime PollInterval = 100 * GST_MSECOND;
// An AVI file may hold seconds of one stream before the other: the muxer
// needs both, so each branch buffers by time rather than by a few frames.
constexpr guint64 BranchBufferTime = 5 * GST_SECOND;

// Both encoders' outputs go back on running time from 0 (the libav encoders
// stamp theirs 1000 hours late), with the first video frame as the origin.
void Restamp(GstElement* encoder, const std::shared_ptr<vidcore::RecordingOrigin>& origin, bool setsOrigin)
{
    g_autoptr(GstPad) src = gst_element_get_static_pad(encoder, "src");
    vidcore::InstallRestamper(src, origin, setsOrigin);
}

// The package that brings a missing element, for the error text.
constexpr const char* PluginPackages = " (gstreamer1.0-libav, -plugins-base, -good)";

void BufferByTime(GstElement* queue)
{
    g_object_set(
        queue, "max-size-buffers", 0u, "max-size-bytes", 0u, "max-size-time", BranchBufferTime, nullptr);
}

} // namespace

TWmvConverter::TWmvConverter(std::string input, std::string output, TConvertProfile profile)
    : FInput(std::move(input))
    , FOutput(std::move(output))
    , FProfile(profile)
{
}

TWmvConverter::~TWmvConverter()
{
    if (FPipeline)
        gst_element_set_state(FPipeline.get(), GST_STATE_NULL);
}

// The muxer takes no new inputs once data flows, so which streams the clip
// holds is settled before the pipeline is built.
bool TWmvConverter::Discover()
{
    g_autoptr(GError) error = nullptr;
    g_autoptr(GstDiscoverer) discoverer = gst_discoverer_new(DiscoverTimeout, &error);
    if (!discoverer) {
        FError = error ? error->message : "no discoverer";
        return false;
    }
    g_autofree gchar* uri = gst_filename_to_uri(FInput.c_str(), nullptr);
    g_autoptr(GstDiscovererInfo) info = gst_discoverer_discover_uri(discoverer, uri, &error);
    if (!info || gst_discoverer_info_get_result(info) != GST_DISCOVERER_OK) {
        FError = "cannot read " + FInput + (error ? std::string(": ") + error->message : std::string());
        return false;
    }
    GList* video = gst_discoverer_info_get_video_streams(info);
    GList* audio = gst_discoverer_info_get_audio_streams(info);
    FHasVideo = video != nullptr;
    FHasAudio = audio != nullptr;
    FDuration = gst_discoverer_info_get_duration(info);
    gst_discoverer_stream_info_list_free(video);
    gst_discoverer_stream_info_list_free(audio);
    if (!FHasVideo) {
        FError = FInput + " holds no video";
        return false;
    }
    return true;
}

bool TWmvConverter::Build()
{
    FPipeline = vidcore::GstRef<GstElement>(GST_ELEMENT(gst_object_ref_sink(gst_pipeline_new("convert"))));
    GstElement* pipeline = FPipeline.get();
    std::string missing;
    GstElement* source = vidcore::MakeElement(pipeline, "filesrc", &missing);
    GstElement* decoder = vidcore::MakeElement(pipeline, "decodebin", &missing);
    GstElement* muxer = vidcore::MakeLibavMuxer(pipeline, "avmux_asf", &missing);
    GstElement* sink = vidcore::MakeElement(pipeline, "filesink", &missing);
    GstElement* videoQueue = vidcore::MakeElement(pipeline, "queue", &missing);
    GstElement* videoConvert = vidcore::MakeElement(pipeline, "videoconvert", &missing);
    GstElement* videoScale = vidcore::MakeElement(pipeline, "videoscale", &missing);
    GstElement* videoCaps = vidcore::MakeElement(pipeline, "capsfilter", &missing);
    GstElement* videoEncoder = vidcore::MakeElement(pipeline, "avenc_wmv2", &missing);
    if (!missing.empty()) {
        FError = missing + PluginPackages;
        return false;
    }
    g_object_set(source, "location", FInput.c_str(), nullptr);
    g_object_set(sink, "location", FOutput.c_str(), nullptr);
    // avenc_wmv2 takes I420 only.
    g_autoptr(GstCaps) caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "I420", "width",
        G_TYPE_INT, FProfile.Width, "height", G_TYPE_INT, FProfile.Height, "pixel-aspect-ratio",
        GST_TYPE_FRACTION, 1, 1, nullptr);
    g_object_set(videoCaps, "caps", caps, nullptr);
    g_object_set(videoEncoder, "bitrate", FProfile.VideoBitrate, nullptr);
    const auto origin = std::make_shared<vidcore::RecordingOrigin>();
    Restamp(videoEncoder, origin, true);

    if (!gst_element_link(source, decoder)
        || !gst_element_link_many(videoQueue, videoConvert, videoScale, videoCaps, videoEncoder, nullptr)
        || !gst_element_link_pads(videoEncoder, "src", muxer, "video_%u") || !gst_element_link(muxer, sink)) {
        FError = "cannot link the video branch";
        return false;
    }
    BufferByTime(videoQueue);
    FVideoHead = videoQueue;

    if (FHasAudio) {
        GstElement* audioQueue = vidcore::MakeElement(pipeline, "queue", &missing);
        GstElement* audioConvert = vidcore::MakeElement(pipeline, "audioconvert", &missing);
        GstElement* audioResample = vidcore::MakeElement(pipeline, "audioresample", &missing);
        GstElement* audioEncoder = vidcore::MakeElement(pipeline, "avenc_wmav2", &missing);
        if (!missing.empty()) {
            FError = missing + PluginPackages;
            return false;
        }
        g_object_set(audioEncoder, "bitrate", FProfile.AudioBitrate, nullptr);
        Restamp(audioEncoder, origin, false);
        if (!gst_element_link_many(audioQueue, audioConvert, audioResample, audioEncoder, nullptr)
            || !gst_element_link_pads(audioEncoder, "src", muxer, "audio_%u")) {
            FError = "cannot link the audio branch";
            return false;
        }
        BufferByTime(audioQueue);
        FAudioHead = audioQueue;
    }
    g_signal_connect(decoder, "pad-added", G_CALLBACK(&TWmvConverter::PadAdded), this);
    return true;
}

void TWmvConverter::PadAdded(GstElement*, GstPad* pad, gpointer self)
{
    auto* converter = static_cast<TWmvConverter*>(self);
    g_autoptr(GstCaps) caps = gst_pad_get_current_caps(pad);
    if (!caps)
        caps = gst_pad_query_caps(pad, nullptr);
    const gchar* name = gst_structure_get_name(gst_caps_get_structure(caps, 0));
    GstElement* head = g_str_has_prefix(name, "video/") ? converter->FVideoHead
        : g_str_has_prefix(name, "audio/")              ? converter->FAudioHead
                                                        : nullptr;
    if (!head)
        return;
    g_autoptr(GstPad) sink = gst_element_get_static_pad(head, "sink");
    // A second stream of the same kind finds the branch taken and stays unlinked.
    if (!gst_pad_is_linked(sink))
        gst_pad_link(pad, sink);
}

bool TWmvConverter::Run(const TProgress& progress)
{
    if (!Discover() || !Build())
        return false;
    GstElement* pipeline = FPipeline.get();
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        FError = "cannot start the conversion";
        return false;
    }
    g_autoptr(GstBus) bus = gst_element_get_bus(pipeline);
    int reported = -1;
    bool done = false;
    bool ok = false;
    while (!done) {
        // Waits for the end, waking to report the progress.
        g_autoptr(GstMessage) message = gst_bus_timed_pop_filtered(
            bus, PollInterval, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        if (message) {
            done = true;
            if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
                ok = true;
            } else {
                g_autoptr(GError) error = nullptr;
                gst_message_parse_error(message, &error, nullptr);
                FError = error ? error->message : "conversion failed";
            }
            continue;
        }
        gint64 position = 0;
        if (GST_CLOCK_TIME_IS_VALID(FDuration) && FDuration > 0
            && gst_element_query_position(pipeline, GST_FORMAT_TIME, &position) && position >= 0) {
            // 100 is kept for the end: only a finished file counts as complete.
            const int percent = static_cast<int>(std::min<guint64>(99, guint64(position) * 100 / FDuration));
            if (percent != reported) {
                reported = percent;
                progress(percent);
            }
        }
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    if (ok)
        progress(100);
    return ok;
}
