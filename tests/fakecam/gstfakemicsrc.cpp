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

#include "fakecam_pacing.h"
#include "fakecam_registry.h"

#include <gst/audio/audio.h>

#include <cmath>
#include <string>
#include <vector>

GST_DEBUG_CATEGORY_STATIC(gst_fakemic_src_debug);
#define GST_CAT_DEFAULT gst_fakemic_src_debug

enum {
    PROP_0,
    PROP_DEVICE,
    PROP_DEVICE_NAME,
    PROP_BUFFERS_PRODUCED,
};

#define DEFAULT_DEVICE nullptr
#define DEFAULT_BUFFERS_PRODUCED 0

static constexpr double kToneHz = 440.0;
static constexpr double kToneAmplitude = 0.5;
static constexpr gint kBlocksPerSecond = 100;
/* 200 ms of blocks wait for a late reader, as in pulsesrc's buffer. */
static constexpr guint64 kQueuedBlocks = 20;

struct _GstFakemicSrc {
    GstPushSrc parent;

    /* Object lock. */
    gchar* device;
    gchar* device_name;

    /* The open device, READY and above. */
    GstCaps* probed_caps;
    gchar* group;

    /* Streaming thread only. */
    GstAudioInfo info;
    gint samples_per_block;
    GstClockTime block_duration;
    guint64 sample_offset;
    guint64 fail_after;
    guint64 unplug_after;
    fakecam::Pacer* pacer;

    guint64 buffers_produced; /* atomic */
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

    g_object_class_install_property(gobject_class, PROP_DEVICE,
        g_param_spec_string("device", "Device",
            "Group of the FAKECAM_DEVICES key file; empty for the first microphone plugged in",
            DEFAULT_DEVICE, static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));
    g_object_class_install_property(gobject_class, PROP_DEVICE_NAME,
        g_param_spec_string("device-name", "Device name", "Name of the device once opened", nullptr,
            static_cast<GParamFlags>(G_PARAM_READABLE | G_PARAM_STATIC_STRINGS)));
    g_object_class_install_property(gobject_class, PROP_BUFFERS_PRODUCED,
        g_param_spec_uint64("buffers-produced", "Buffers produced",
            "Blocks of 10 ms handed out since the source started", 0, G_MAXUINT64, DEFAULT_BUFFERS_PRODUCED,
            static_cast<GParamFlags>(G_PARAM_READABLE | G_PARAM_STATIC_STRINGS)));

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
    src->device = g_strdup(DEFAULT_DEVICE);
    src->device_name = nullptr;
    src->probed_caps = nullptr;
    src->group = nullptr;
    gst_audio_info_init(&src->info);
    src->samples_per_block = 0;
    src->block_duration = GST_CLOCK_TIME_NONE;
    src->sample_offset = 0;
    src->fail_after = 0;
    src->unplug_after = 0;
    src->pacer = new fakecam::Pacer;
    src->buffers_produced = DEFAULT_BUFFERS_PRODUCED;

    gst_base_src_set_live(GST_BASE_SRC(src), TRUE);
    gst_base_src_set_format(GST_BASE_SRC(src), GST_FORMAT_TIME);
    gst_base_src_set_do_timestamp(GST_BASE_SRC(src), FALSE);
}

static void gst_fakemic_src_finalize(GObject* object)
{
    GstFakemicSrc* src = GST_FAKEMIC_SRC(object);

    delete src->pacer;
    gst_clear_caps(&src->probed_caps);
    g_free(src->group);
    g_free(src->device);
    g_free(src->device_name);

    G_OBJECT_CLASS(parent_class)->finalize(object);
}

static void gst_fakemic_src_set_property(
    GObject* object, guint prop_id, const GValue* value, GParamSpec* pspec)
{
    GstFakemicSrc* src = GST_FAKEMIC_SRC(object);

    switch (prop_id) {
    case PROP_DEVICE:
        GST_OBJECT_LOCK(src);
        g_free(src->device);
        src->device = g_value_dup_string(value);
        GST_OBJECT_UNLOCK(src);
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, prop_id, pspec);
        break;
    }
}

static void gst_fakemic_src_get_property(GObject* object, guint prop_id, GValue* value, GParamSpec* pspec)
{
    GstFakemicSrc* src = GST_FAKEMIC_SRC(object);

    switch (prop_id) {
    case PROP_DEVICE:
        GST_OBJECT_LOCK(src);
        g_value_set_string(value, src->device);
        GST_OBJECT_UNLOCK(src);
        break;
    case PROP_DEVICE_NAME:
        GST_OBJECT_LOCK(src);
        g_value_set_string(value, src->device_name);
        GST_OBJECT_UNLOCK(src);
        break;
    case PROP_BUFFERS_PRODUCED:
        g_value_set_uint64(value, __atomic_load_n(&src->buffers_produced, __ATOMIC_RELAXED));
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, prop_id, pspec);
        break;
    }
}

/* Like opening the PCM device: it must be plugged in and free. */
static gboolean gst_fakemic_src_open(GstFakemicSrc* src)
{
    GST_OBJECT_LOCK(src);
    std::string wanted = src->device ? src->device : "";
    GST_OBJECT_UNLOCK(src);

    std::optional<fakecam::DeviceConfig> config = fakecam::Registry::Instance().Lookup(wanted, true);
    if (!config)
        goto not_found;
    if (config->busy)
        goto busy;

    src->group = g_strdup(config->group.c_str());
    src->probed_caps = gst_caps_from_string(config->caps.c_str());
    if (!src->probed_caps || gst_caps_is_empty(src->probed_caps))
        goto no_formats;

    GST_OBJECT_LOCK(src);
    g_free(src->device_name);
    src->device_name = g_strdup(config->name.c_str());
    GST_OBJECT_UNLOCK(src);
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

static void gst_fakemic_src_close(GstFakemicSrc* src)
{
    gst_clear_caps(&src->probed_caps);
    g_clear_pointer(&src->group, g_free);
}

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
    GstFakemicSrc* src = GST_FAKEMIC_SRC(basesrc);

    if (!src->probed_caps)
        return gst_pad_get_pad_template_caps(GST_BASE_SRC_PAD(basesrc));
    if (filter)
        return gst_caps_intersect_full(filter, src->probed_caps, GST_CAPS_INTERSECT_FIRST);
    return gst_caps_ref(src->probed_caps);
}

static gboolean gst_fakemic_src_set_caps(GstBaseSrc* basesrc, GstCaps* caps)
{
    GstFakemicSrc* src = GST_FAKEMIC_SRC(basesrc);
    GstAudioInfo info;

    std::optional<fakecam::DeviceConfig> config = fakecam::Registry::Instance().Lookup(src->group, true);
    if (!config)
        goto gone;
    if (!gst_audio_info_from_caps(&info, caps)
        || GST_AUDIO_INFO_LAYOUT(&info) != GST_AUDIO_LAYOUT_INTERLEAVED)
        goto unsupported;

    src->info = info;
    src->samples_per_block = MAX(1, GST_AUDIO_INFO_RATE(&info) / kBlocksPerSecond);
    src->block_duration
        = gst_util_uint64_scale_int(src->samples_per_block, GST_SECOND, GST_AUDIO_INFO_RATE(&info));
    src->fail_after = config->failAfter;
    src->unplug_after = config->unplugAfter;
    src->pacer->Reset(src->block_duration, kQueuedBlocks);
    GST_INFO_OBJECT(src, "recording %" GST_PTR_FORMAT, caps);

    gst_element_post_message(GST_ELEMENT(src), gst_message_new_latency(GST_OBJECT(src)));
    return TRUE;

    /* ERRORS */
gone:
    GST_ELEMENT_ERROR(src, RESOURCE, OPEN_READ, ("Could not open audio device for recording."),
        ("Recording open error on device '%s': No such device", src->group));
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

    __atomic_store_n(&src->buffers_produced, 0, __ATOMIC_RELAXED);
    src->sample_offset = 0;
    src->block_duration = GST_CLOCK_TIME_NONE;
    src->pacer->UnlockStop();
    return TRUE;
}

static gboolean gst_fakemic_src_unlock(GstBaseSrc* basesrc)
{
    GST_FAKEMIC_SRC(basesrc)->pacer->Unlock();
    return TRUE;
}

static gboolean gst_fakemic_src_unlock_stop(GstBaseSrc* basesrc)
{
    GST_FAKEMIC_SRC(basesrc)->pacer->UnlockStop();
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
    guint64 slot = 0, skipped = 0;
    const guint64 produced = __atomic_load_n(&src->buffers_produced, __ATOMIC_RELAXED);

    if (src->samples_per_block == 0)
        return GST_FLOW_NOT_NEGOTIATED;

    GstFlowReturn ret = src->pacer->Next(GST_ELEMENT(src), running_time, slot, skipped);
    if (ret != GST_FLOW_OK)
        return ret;
    if (src->unplug_after > 0 && produced >= src->unplug_after)
        goto unplugged;
    if (src->fail_after > 0 && produced >= src->fail_after)
        goto failed;

    {
        const guint64 offset = slot * guint64(src->samples_per_block);
        GstBuffer* buffer = gst_fakemic_src_tone(src, offset, src->samples_per_block);
        GST_BUFFER_PTS(buffer) = running_time;
        GST_BUFFER_DURATION(buffer) = src->block_duration;
        GST_BUFFER_OFFSET(buffer) = offset;
        GST_BUFFER_OFFSET_END(buffer) = offset + src->samples_per_block;
        if (produced == 0 || skipped > 0)
            GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DISCONT);
        __atomic_store_n(&src->buffers_produced, produced + 1, __ATOMIC_RELAXED);
        *outbuf = buffer;
    }
    return GST_FLOW_OK;

    /* ERRORS */
unplugged:
    GST_ELEMENT_ERROR(src, RESOURCE, READ, (nullptr), ("Error reading from device: No such device (19)"));
    fakecam::Registry::Instance().Unplug(src->group);
    return GST_FLOW_ERROR;
failed:
    GST_ELEMENT_ERROR(src, RESOURCE, READ, (nullptr), ("Error reading from device: Input/output error (5)"));
    return GST_FLOW_ERROR;
}
