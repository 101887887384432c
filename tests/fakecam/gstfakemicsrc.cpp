// SPDX-License-Identifier: GPL-2.0-or-later
/**
 * SECTION:element-fakemicsrc
 *
 * A microphone for tests: a live source playing a 440 Hz tone in the caps of
 * one device of the key file that FAKECAM_DEVICES names, in 10 ms blocks
 * paced by the clock. A busy device fails to open as alsasrc does; a device
 * set to fail or to be unplugged stops with a read error after that many
 * blocks.
 *
 * ## Example launch line
 * |[
 * FAKECAM_DEVICES=devices.ini gst-launch-1.0 fakemicsrc device=mic ! audioconvert ! autoaudiosink
 * ]|
 */
#include "gstfakemicsrc.h"

#include "fakecam_registry.h"
#include "fakecam_source.h"

#include <gst/audio/audio.h>

#include <cmath>
#include <string>
#include <vector>

GST_DEBUG_CATEGORY_STATIC(gst_fakemic_src_debug);
#define GST_CAT_DEFAULT gst_fakemic_src_debug

static constexpr double kToneHz = 440.0;
static constexpr double kToneAmplitude = 0.5;
static constexpr gint kBlocksPerSecond = 100;
/* 200 ms of blocks wait for a late reader, as in pulsesrc's buffer. */
static constexpr guint64 kQueuedBlocks = 20;

struct _GstFakemicSrc {
    GstPushSrc parent;

    fakecam::SourceDevice* device;

    /* Streaming thread only. */
    GstAudioInfo info;
    gint samples_per_block;
    GstClockTime block_duration;
    guint64 sample_offset;
};

static GstStaticPadTemplate src_template = GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("audio/x-raw, format = (string) " GST_AUDIO_FORMATS_ALL ", rate = " GST_AUDIO_RATE_RANGE
                    ", channels = " GST_AUDIO_CHANNELS_RANGE ", layout = (string) interleaved"));

#define gst_fakemic_src_parent_class parent_class
G_DEFINE_TYPE(GstFakemicSrc, gst_fakemic_src, GST_TYPE_PUSH_SRC)

static void gst_fakemic_src_finalize(GObject* object);
static void gst_fakemic_src_set_property(
    GObject* object, guint prop_id, const GValue* value, GParamSpec* pspec);
static void gst_fakemic_src_get_property(GObject* object, guint prop_id, GValue* value, GParamSpec* pspec);
static GstStateChangeReturn gst_fakemic_src_change_state(GstElement* element, GstStateChange transition);
static GstCaps* gst_fakemic_src_get_caps(GstBaseSrc* basesrc, GstCaps* filter);
static gboolean gst_fakemic_src_set_caps(GstBaseSrc* basesrc, GstCaps* caps);
static gboolean gst_fakemic_src_query(GstBaseSrc* basesrc, GstQuery* query);
static gboolean gst_fakemic_src_start(GstBaseSrc* basesrc);
static gboolean gst_fakemic_src_unlock(GstBaseSrc* basesrc);
static gboolean gst_fakemic_src_unlock_stop(GstBaseSrc* basesrc);
static GstFlowReturn gst_fakemic_src_create(GstPushSrc* pushsrc, GstBuffer** outbuf);

static void gst_fakemic_src_class_init(GstFakemicSrcClass* klass)
{
    GObjectClass* gobject_class = G_OBJECT_CLASS(klass);
    GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
    GstBaseSrcClass* base_src_class = GST_BASE_SRC_CLASS(klass);
    GstPushSrcClass* push_src_class = GST_PUSH_SRC_CLASS(klass);

    gobject_class->finalize = gst_fakemic_src_finalize;
    gobject_class->set_property = gst_fakemic_src_set_property;
    gobject_class->get_property = gst_fakemic_src_get_property;

    fakecam::SourceDevice::InstallProperties(gobject_class,
        "Group of the FAKECAM_DEVICES key file; empty for the first microphone plugged in",
        "buffers-produced", "Buffers produced", "Blocks of 10 ms handed out since the source started");

    gst_element_class_set_static_metadata(element_class, "Fake microphone source", "Source/Audio",
        "A microphone for tests, described by the FAKECAM_DEVICES key file", "Glimview developers");
    gst_element_class_add_static_pad_template(element_class, &src_template);

    element_class->change_state = GST_DEBUG_FUNCPTR(gst_fakemic_src_change_state);

    base_src_class->get_caps = GST_DEBUG_FUNCPTR(gst_fakemic_src_get_caps);
    base_src_class->set_caps = GST_DEBUG_FUNCPTR(gst_fakemic_src_set_caps);
    base_src_class->query = GST_DEBUG_FUNCPTR(gst_fakemic_src_query);
    base_src_class->start = GST_DEBUG_FUNCPTR(gst_fakemic_src_start);
    base_src_class->unlock = GST_DEBUG_FUNCPTR(gst_fakemic_src_unlock);
    base_src_class->unlock_stop = GST_DEBUG_FUNCPTR(gst_fakemic_src_unlock_stop);

    push_src_class->create = GST_DEBUG_FUNCPTR(gst_fakemic_src_create);

    GST_DEBUG_CATEGORY_INIT(gst_fakemic_src_debug, "fakemicsrc", 0, "Fake microphone source");
}

static void gst_fakemic_src_init(GstFakemicSrc* src)
{
    src->device = new fakecam::SourceDevice;
    gst_audio_info_init(&src->info);
    src->samples_per_block = 0;
    src->block_duration = GST_CLOCK_TIME_NONE;
    src->sample_offset = 0;

    gst_base_src_set_live(GST_BASE_SRC(src), TRUE);
    gst_base_src_set_format(GST_BASE_SRC(src), GST_FORMAT_TIME);
    gst_base_src_set_do_timestamp(GST_BASE_SRC(src), FALSE);
}

static void gst_fakemic_src_finalize(GObject* object)
{
    GstFakemicSrc* src = GST_FAKEMIC_SRC(object);

    delete src->device;

    G_OBJECT_CLASS(parent_class)->finalize(object);
}

static void gst_fakemic_src_set_property(
    GObject* object, guint prop_id, const GValue* value, GParamSpec* pspec)
{
    GST_FAKEMIC_SRC(object)->device->SetProperty(object, prop_id, value, pspec);
}

static void gst_fakemic_src_get_property(GObject* object, guint prop_id, GValue* value, GParamSpec* pspec)
{
    GST_FAKEMIC_SRC(object)->device->GetProperty(object, prop_id, value, pspec);
}

/* Like opening the PCM device: it must be plugged in and free. */
static gboolean gst_fakemic_src_open(GstFakemicSrc* src)
{
    std::string wanted;
    std::optional<fakecam::DeviceConfig> config = src->device->Lookup(GST_ELEMENT(src), true, wanted);
    if (!config)
        goto not_found;
    if (config->busy)
        goto busy;
    if (!src->device->Open(GST_ELEMENT(src), *config))
        goto no_formats;
    return TRUE;

    /* ERRORS */
not_found:
    GST_ELEMENT_ERROR(src, RESOURCE, OPEN_READ, ("Could not open audio device for recording."),
        ("Recording open error on device '%s': No such device", wanted.c_str()));
    return FALSE;
busy:
    GST_ELEMENT_ERROR(src, RESOURCE, BUSY,
        ("Could not open audio device for recording. Device is being used by another application."),
        ("Device '%s' is busy", config->group.c_str()));
    return FALSE;
no_formats:
    GST_ELEMENT_ERROR(src, RESOURCE, SETTINGS, ("Could not open audio device for recording."),
        ("caps '%s' cannot be parsed", config->caps.c_str()));
    return FALSE;
}

static void gst_fakemic_src_close(GstFakemicSrc* src) { src->device->Close(); }

static GstStateChangeReturn gst_fakemic_src_change_state(GstElement* element, GstStateChange transition)
{
    GstFakemicSrc* src = GST_FAKEMIC_SRC(element);

    if (transition == GST_STATE_CHANGE_NULL_TO_READY && !gst_fakemic_src_open(src)) {
        gst_fakemic_src_close(src);
        return GST_STATE_CHANGE_FAILURE;
    }

    GstStateChangeReturn ret = GST_ELEMENT_CLASS(parent_class)->change_state(element, transition);

    if (transition == GST_STATE_CHANGE_READY_TO_NULL)
        gst_fakemic_src_close(src);
    return ret;
}

static GstCaps* gst_fakemic_src_get_caps(GstBaseSrc* basesrc, GstCaps* filter)
{
    return GST_FAKEMIC_SRC(basesrc)->device->Caps(basesrc, filter);
}

static gboolean gst_fakemic_src_set_caps(GstBaseSrc* basesrc, GstCaps* caps)
{
    GstFakemicSrc* src = GST_FAKEMIC_SRC(basesrc);
    GstAudioInfo info;

    std::optional<fakecam::DeviceConfig> config
        = fakecam::Registry::Instance().Lookup(src->device->Group(), true);
    if (!config)
        goto gone;
    if (!gst_audio_info_from_caps(&info, caps)
        || GST_AUDIO_INFO_LAYOUT(&info) != GST_AUDIO_LAYOUT_INTERLEAVED)
        goto unsupported;

    src->info = info;
    src->samples_per_block = MAX(1, GST_AUDIO_INFO_RATE(&info) / kBlocksPerSecond);
    src->block_duration
        = gst_util_uint64_scale_int(src->samples_per_block, GST_SECOND, GST_AUDIO_INFO_RATE(&info));
    src->device->Stream(*config, src->block_duration, kQueuedBlocks);
    GST_INFO_OBJECT(src, "recording %" GST_PTR_FORMAT, caps);

    gst_element_post_message(GST_ELEMENT(src), gst_message_new_latency(GST_OBJECT(src)));
    return TRUE;

    /* ERRORS */
gone:
    GST_ELEMENT_ERROR(src, RESOURCE, OPEN_READ, ("Could not open audio device for recording."),
        ("Recording open error on device '%s': No such device", src->device->Group()));
    return FALSE;
unsupported:
    GST_ELEMENT_ERROR(src, RESOURCE, SETTINGS, (nullptr), ("cannot record %" GST_PTR_FORMAT, caps));
    return FALSE;
}

static gboolean gst_fakemic_src_query(GstBaseSrc* basesrc, GstQuery* query)
{
    GstFakemicSrc* src = GST_FAKEMIC_SRC(basesrc);

    if (GST_QUERY_TYPE(query) == GST_QUERY_LATENCY && GST_CLOCK_TIME_IS_VALID(src->block_duration)) {
        gst_query_set_latency(query, TRUE, src->block_duration, src->block_duration * kQueuedBlocks);
        return TRUE;
    }
    return GST_BASE_SRC_CLASS(parent_class)->query(basesrc, query);
}

static gboolean gst_fakemic_src_start(GstBaseSrc* basesrc)
{
    GstFakemicSrc* src = GST_FAKEMIC_SRC(basesrc);

    src->device->Start();
    src->sample_offset = 0;
    src->block_duration = GST_CLOCK_TIME_NONE;
    return TRUE;
}

static gboolean gst_fakemic_src_unlock(GstBaseSrc* basesrc)
{
    GST_FAKEMIC_SRC(basesrc)->device->Unlock();
    return TRUE;
}

static gboolean gst_fakemic_src_unlock_stop(GstBaseSrc* basesrc)
{
    GST_FAKEMIC_SRC(basesrc)->device->UnlockStop();
    return TRUE;
}

/* The tone for samples [offset, offset + samples), every channel alike. */
static GstBuffer* gst_fakemic_src_tone(GstFakemicSrc* src, guint64 offset, gint samples)
{
    const GstAudioFormatInfo* finfo = src->info.finfo;
    const gint channels = GST_AUDIO_INFO_CHANNELS(&src->info);
    const gint rate = GST_AUDIO_INFO_RATE(&src->info);
    const bool unpack_float = finfo->unpack_format == GST_AUDIO_FORMAT_F64;
    std::vector<gint32> ints(unpack_float ? 0 : gsize(samples) * channels);
    std::vector<gdouble> doubles(unpack_float ? gsize(samples) * channels : 0);

    for (gint i = 0; i < samples; ++i) {
        const double phase = 2.0 * G_PI * kToneHz * double((offset + i) % guint64(rate)) / rate;
        const double value = kToneAmplitude * std::sin(phase);
        for (gint c = 0; c < channels; ++c) {
            if (unpack_float)
                doubles[gsize(i) * channels + c] = value;
            else
                ints[gsize(i) * channels + c] = gint32(value * G_MAXINT32);
        }
    }

    GstBuffer* buffer
        = gst_buffer_new_allocate(nullptr, gsize(samples) * GST_AUDIO_INFO_BPF(&src->info), nullptr);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    const gpointer unpacked
        = unpack_float ? static_cast<gpointer>(doubles.data()) : static_cast<gpointer>(ints.data());
    finfo->pack_func(finfo, GST_AUDIO_PACK_FLAG_NONE, unpacked, map.data, samples * channels);
    gst_buffer_unmap(buffer, &map);
    return buffer;
}

static GstFlowReturn gst_fakemic_src_create(GstPushSrc* pushsrc, GstBuffer** outbuf)
{
    GstFakemicSrc* src = GST_FAKEMIC_SRC(pushsrc);
    GstClockTime running_time = GST_CLOCK_TIME_NONE;
    guint64 slot = 0, skipped = 0, produced = 0;

    if (src->samples_per_block == 0)
        return GST_FLOW_NOT_NEGOTIATED;

    const GstFlowReturn ret = src->device->Next(
        GST_ELEMENT(src), "Error reading from device", running_time, slot, skipped, produced);
    if (ret != GST_FLOW_OK)
        return ret;
    {
        const guint64 offset = slot * guint64(src->samples_per_block);
        GstBuffer* buffer = gst_fakemic_src_tone(src, offset, src->samples_per_block);
        GST_BUFFER_PTS(buffer) = running_time;
        GST_BUFFER_DURATION(buffer) = src->block_duration;
        GST_BUFFER_OFFSET(buffer) = offset;
        GST_BUFFER_OFFSET_END(buffer) = offset + src->samples_per_block;
        if (produced == 0 || skipped > 0)
            GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DISCONT);
        src->device->CountProduced(produced);
        *outbuf = buffer;
    }
    return GST_FLOW_OK;
}
