// SPDX-License-Identifier: GPL-2.0-or-later
/**
 * SECTION:element-fakecamsrc
 *
 * A camera for tests: a live source showing one device of the key file that
 * FAKECAM_DEVICES names. It offers the device's caps in the device's order,
 * negotiates as v4l2src does (intersect with the peer, then fixate toward the
 * largest size and highest rate the peer allows), paces frames in real time
 * and fails the way v4l2src fails when the device is busy, dies or is
 * unplugged.
 *
 * ## Example launch line
 * |[
 * FAKECAM_DEVICES=devices.ini gst-launch-1.0 fakecamsrc device=uvc ! image/jpeg,width=1600,height=1200 !
 * jpegdec ! fakesink
 * ]|
 */
#include "gstfakecamsrc.h"

#include "fakecam_frames.h"
#include "fakecam_registry.h"
#include "fakecam_source.h"

#include <gst/video/video.h>

#include <string>
#include <vector>

GST_DEBUG_CATEGORY_STATIC(gst_fakecam_src_debug);
#define GST_CAT_DEFAULT gst_fakecam_src_debug

/* What v4l2src asks for when nothing downstream says otherwise. */
static constexpr gint kPreferredWidth = 3840;
static constexpr gint kPreferredHeight = 2160;
static constexpr gint kPreferredFpsN = 120;
static constexpr gint kPreferredFpsD = 1;

/* Buffers a UVC driver queues, for the latency it reports. */
static constexpr guint kQueuedBuffers = 4;

struct PreferredCaps {
    gint width;
    gint height;
    gint fps_n;
    gint fps_d;
};

struct _GstFakecamSrc {
    GstPushSrc parent;

    fakecam::SourceDevice* device;

    /* The open device, READY and above. */
    gchar* videodev;

    /* Streaming thread only. */
    std::vector<GstMemory*>* frames;
    GstClockTime frame_duration;
};

static GstStaticPadTemplate src_template = GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS,
    GST_STATIC_CAPS(GST_VIDEO_CAPS_MAKE(GST_VIDEO_FORMATS_ALL) "; "
                                                               "image/jpeg, width = " GST_VIDEO_SIZE_RANGE
                                                               ", height = " GST_VIDEO_SIZE_RANGE
                                                               ", framerate = " GST_VIDEO_FPS_RANGE));

#define gst_fakecam_src_parent_class parent_class
G_DEFINE_TYPE(GstFakecamSrc, gst_fakecam_src, GST_TYPE_PUSH_SRC)

static void gst_fakecam_src_finalize(GObject* object);
static void gst_fakecam_src_set_property(
    GObject* object, guint prop_id, const GValue* value, GParamSpec* pspec);
static void gst_fakecam_src_get_property(GObject* object, guint prop_id, GValue* value, GParamSpec* pspec);
static GstStateChangeReturn gst_fakecam_src_change_state(GstElement* element, GstStateChange transition);
static GstCaps* gst_fakecam_src_get_caps(GstBaseSrc* basesrc, GstCaps* filter);
static gboolean gst_fakecam_src_negotiate(GstBaseSrc* basesrc);
static gboolean gst_fakecam_src_set_caps(GstBaseSrc* basesrc, GstCaps* caps);
static gboolean gst_fakecam_src_query(GstBaseSrc* basesrc, GstQuery* query);
static gboolean gst_fakecam_src_start(GstBaseSrc* basesrc);
static gboolean gst_fakecam_src_stop(GstBaseSrc* basesrc);
static gboolean gst_fakecam_src_unlock(GstBaseSrc* basesrc);
static gboolean gst_fakecam_src_unlock_stop(GstBaseSrc* basesrc);
static GstFlowReturn gst_fakecam_src_create(GstPushSrc* pushsrc, GstBuffer** outbuf);

static void gst_fakecam_src_class_init(GstFakecamSrcClass* klass)
{
    GObjectClass* gobject_class = G_OBJECT_CLASS(klass);
    GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
    GstBaseSrcClass* base_src_class = GST_BASE_SRC_CLASS(klass);
    GstPushSrcClass* push_src_class = GST_PUSH_SRC_CLASS(klass);

    gobject_class->finalize = gst_fakecam_src_finalize;
    gobject_class->set_property = gst_fakecam_src_set_property;
    gobject_class->get_property = gst_fakecam_src_get_property;

    fakecam::SourceDevice::InstallProperties(gobject_class,
        "Group of the FAKECAM_DEVICES key file; empty for the first camera plugged in", "frames-produced",
        "Frames produced", "Frames handed out since the source started");

    gst_element_class_set_static_metadata(element_class, "Fake camera source", "Source/Video",
        "A camera for tests, described by the FAKECAM_DEVICES key file", "Glimview developers");
    gst_element_class_add_static_pad_template(element_class, &src_template);

    element_class->change_state = GST_DEBUG_FUNCPTR(gst_fakecam_src_change_state);

    base_src_class->get_caps = GST_DEBUG_FUNCPTR(gst_fakecam_src_get_caps);
    base_src_class->negotiate = GST_DEBUG_FUNCPTR(gst_fakecam_src_negotiate);
    base_src_class->set_caps = GST_DEBUG_FUNCPTR(gst_fakecam_src_set_caps);
    base_src_class->query = GST_DEBUG_FUNCPTR(gst_fakecam_src_query);
    base_src_class->start = GST_DEBUG_FUNCPTR(gst_fakecam_src_start);
    base_src_class->stop = GST_DEBUG_FUNCPTR(gst_fakecam_src_stop);
    base_src_class->unlock = GST_DEBUG_FUNCPTR(gst_fakecam_src_unlock);
    base_src_class->unlock_stop = GST_DEBUG_FUNCPTR(gst_fakecam_src_unlock_stop);

    push_src_class->create = GST_DEBUG_FUNCPTR(gst_fakecam_src_create);

    GST_DEBUG_CATEGORY_INIT(gst_fakecam_src_debug, "fakecamsrc", 0, "Fake camera source");
}

static void gst_fakecam_src_init(GstFakecamSrc* src)
{
    src->device = new fakecam::SourceDevice;
    src->videodev = nullptr;
    src->frames = new std::vector<GstMemory*>;
    src->frame_duration = GST_CLOCK_TIME_NONE;

    gst_base_src_set_live(GST_BASE_SRC(src), TRUE);
    gst_base_src_set_format(GST_BASE_SRC(src), GST_FORMAT_TIME);
    gst_base_src_set_do_timestamp(GST_BASE_SRC(src), FALSE);
}

static void gst_fakecam_src_drop_frames(GstFakecamSrc* src)
{
    for (GstMemory* memory : *src->frames)
        gst_memory_unref(memory);
    src->frames->clear();
}

static void gst_fakecam_src_finalize(GObject* object)
{
    GstFakecamSrc* src = GST_FAKECAM_SRC(object);

    gst_fakecam_src_drop_frames(src);
    delete src->frames;
    delete src->device;
    g_free(src->videodev);

    G_OBJECT_CLASS(parent_class)->finalize(object);
}

static void gst_fakecam_src_set_property(
    GObject* object, guint prop_id, const GValue* value, GParamSpec* pspec)
{
    GST_FAKECAM_SRC(object)->device->SetProperty(object, prop_id, value, pspec);
}

static void gst_fakecam_src_get_property(GObject* object, guint prop_id, GValue* value, GParamSpec* pspec)
{
    GST_FAKECAM_SRC(object)->device->GetProperty(object, prop_id, value, pspec);
}

/* Like opening the device node: it must be plugged in, and its formats are
 * read once, here. */
static gboolean gst_fakecam_src_open(GstFakecamSrc* src)
{
    std::string wanted;
    std::optional<fakecam::DeviceConfig> config = src->device->Lookup(GST_ELEMENT(src), false, wanted);
    if (!config)
        goto not_found;

    src->videodev = g_strdup(config->path.empty() ? config->group.c_str() : config->path.c_str());
    if (!src->device->Open(GST_ELEMENT(src), *config))
        goto no_formats;
    return TRUE;

    /* ERRORS */
not_found:
    GST_ELEMENT_ERROR(src, RESOURCE, NOT_FOUND,
        ("Cannot identify device '%s'.", wanted.empty() ? "(first camera)" : wanted.c_str()),
        ("system error: No such file or directory"));
    return FALSE;
no_formats:
    GST_ELEMENT_ERROR(src, RESOURCE, SETTINGS, ("Device '%s' has no supported format", src->videodev),
        ("caps '%s' cannot be parsed", config->caps.c_str()));
    return FALSE;
}

static void gst_fakecam_src_close(GstFakecamSrc* src)
{
    src->device->Close();
    g_clear_pointer(&src->videodev, g_free);
}

static GstStateChangeReturn gst_fakecam_src_change_state(GstElement* element, GstStateChange transition)
{
    GstFakecamSrc* src = GST_FAKECAM_SRC(element);

    if (transition == GST_STATE_CHANGE_NULL_TO_READY && !gst_fakecam_src_open(src)) {
        gst_fakecam_src_close(src);
        return GST_STATE_CHANGE_FAILURE;
    }

    GstStateChangeReturn ret = GST_ELEMENT_CLASS(parent_class)->change_state(element, transition);

    if (transition == GST_STATE_CHANGE_READY_TO_NULL)
        gst_fakecam_src_close(src);
    return ret;
}

static GstCaps* gst_fakecam_src_get_caps(GstBaseSrc* basesrc, GstCaps* filter)
{
    return GST_FAKECAM_SRC(basesrc)->device->Caps(basesrc, filter);
}

static gboolean fixate_field_except_unprobed(GQuark field_id, GValue*, gpointer user_data)
{
    GstStructure* s = static_cast<GstStructure*>(user_data);

    if (field_id == g_quark_from_string("interlace-mode") || field_id == g_quark_from_string("colorimetry"))
        return TRUE;
    gst_structure_fixate_field(s, g_quark_to_string(field_id));
    return TRUE;
}

static void fixate_struct_with_preference(GstStructure* s, const PreferredCaps& pref)
{
    if (gst_structure_has_field(s, "width"))
        gst_structure_fixate_field_nearest_int(s, "width", pref.width);
    if (gst_structure_has_field(s, "height"))
        gst_structure_fixate_field_nearest_int(s, "height", pref.height);
    if (gst_structure_has_field(s, "framerate"))
        gst_structure_fixate_field_nearest_fraction(s, "framerate", pref.fps_n, pref.fps_d);
    /* A pixel aspect the device does not state comes from the peer as a
     * range; a camera's pixels are square (v4l2src says 1/1, pipewiresrc
     * nothing), never the range's lower end. */
    if (gst_structure_has_field(s, "pixel-aspect-ratio"))
        gst_structure_fixate_field_nearest_fraction(s, "pixel-aspect-ratio", 1, 1);
    gst_structure_map_in_place(s, fixate_field_except_unprobed, s);
}

static void parse_fixed_struct(const GstStructure* s, gint* width, gint* height, gint* fps_n, gint* fps_d)
{
    if (gst_structure_has_field(s, "width") && width)
        gst_structure_get_int(s, "width", width);
    if (gst_structure_has_field(s, "height") && height)
        gst_structure_get_int(s, "height", height);
    if (gst_structure_has_field(s, "framerate") && fps_n && fps_d)
        gst_structure_get_fraction(s, "framerate", fps_n, fps_d);
}

/* v4l2src's order: sizes at or above the preference first, the smallest of
 * them first; sizes below it after, in the device's order. */
static gint compare_fixed_caps(gconstpointer a_caps, gconstpointer b_caps, gpointer user_data)
{
    const PreferredCaps& pref = *static_cast<const PreferredCaps*>(user_data);
    gint aw = G_MAXINT, ah = G_MAXINT, bw = G_MAXINT, bh = G_MAXINT;

    parse_fixed_struct(gst_caps_get_structure(GST_CAPS_CAST(a_caps), 0), &aw, &ah, nullptr, nullptr);
    parse_fixed_struct(gst_caps_get_structure(GST_CAPS_CAST(b_caps), 0), &bw, &bh, nullptr, nullptr);

    if (aw < pref.width || ah < pref.height)
        return 1;
    if (bw < pref.width || bh < pref.height)
        return -1;

    gint ad = MAX(1, aw - pref.width) * MAX(1, ah - pref.height);
    gint bd = MAX(1, bw - pref.width) * MAX(1, bh - pref.height);
    if (aw == pref.width)
        ad -= 1;
    if (ah == pref.height)
        ad -= 1;
    if (bw == pref.width)
        bd -= 1;
    if (bh == pref.height)
        bd -= 1;
    return ad == bd ? 1 : ad - bd;
}

/* Takes `caps`; returns fixed caps. */
static GstCaps* gst_fakecam_src_fixate_with_preference(GstFakecamSrc* src, GstCaps* caps, PreferredCaps pref)
{
    GList* sorted = nullptr;

    GST_DEBUG_OBJECT(src, "fixating %" GST_PTR_FORMAT " toward %dx%d@%d/%d", caps, pref.width, pref.height,
        pref.fps_n, pref.fps_d);
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        GstCaps* one = gst_caps_copy_nth(caps, i);
        fixate_struct_with_preference(gst_caps_get_structure(one, 0), pref);
        sorted = g_list_insert_sorted_with_data(sorted, one, compare_fixed_caps, &pref);
    }
    gst_caps_unref(caps);

    caps = gst_caps_new_empty();
    for (GList* item = sorted; item; item = item->next)
        gst_caps_append(caps, GST_CAPS_CAST(item->data));
    g_list_free(sorted);

    /* Every structure is one the device offers, so the first one is what
     * the driver accepts. */
    caps = gst_caps_normalize(caps);
    GstCaps* chosen = gst_caps_copy_nth(caps, 0);
    gst_caps_unref(caps);
    return gst_caps_fixate(chosen);
}

static gboolean gst_fakecam_src_negotiate(GstBaseSrc* basesrc)
{
    GstFakecamSrc* src = GST_FAKECAM_SRC(basesrc);
    PreferredCaps pref = { kPreferredWidth, kPreferredHeight, kPreferredFpsN, kPreferredFpsD };
    GstCaps* caps;
    gboolean result = FALSE;

    GstCaps* thiscaps = gst_pad_query_caps(GST_BASE_SRC_PAD(basesrc), nullptr);
    if (!thiscaps || gst_caps_is_any(thiscaps)) {
        gst_clear_caps(&thiscaps);
        return TRUE;
    }

    GstCaps* peercaps = gst_pad_peer_query_caps(GST_BASE_SRC_PAD(basesrc), nullptr);
    GST_DEBUG_OBJECT(src, "caps of peer: %" GST_PTR_FORMAT, peercaps);
    if (peercaps && !gst_caps_is_any(peercaps)) {
        /* The first caps the peer proposes that the device can do. */
        caps = gst_caps_intersect_full(peercaps, thiscaps, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(thiscaps);
    } else {
        caps = thiscaps;
    }

    if (gst_caps_is_empty(caps)) {
        gst_caps_unref(caps);
        goto done;
    }

    /* The peer's first structure, pushed toward the default preference, is
     * what the peer would like best. */
    if (peercaps && !gst_caps_is_any(peercaps) && !gst_caps_is_empty(peercaps)) {
        GstStructure* pref_s = gst_structure_copy(gst_caps_get_structure(peercaps, 0));
        fixate_struct_with_preference(pref_s, pref);
        parse_fixed_struct(pref_s, &pref.width, &pref.height, &pref.fps_n, &pref.fps_d);
        gst_structure_free(pref_s);
    }

    caps = gst_fakecam_src_fixate_with_preference(src, caps, pref);
    GST_INFO_OBJECT(src, "fixated to: %" GST_PTR_FORMAT, caps);
    result = gst_base_src_set_caps(basesrc, caps);
    gst_caps_unref(caps);

done:
    gst_clear_caps(&peercaps);
    return result;
}

static gboolean gst_fakecam_src_set_caps(GstBaseSrc* basesrc, GstCaps* caps)
{
    GstFakecamSrc* src = GST_FAKECAM_SRC(basesrc);
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    gint width = 0, height = 0, fps_n = 0, fps_d = 1;
    std::vector<GstMemory*> frames;
    GstVideoInfo info;

    /* Busy or gone is only known when the format is set, as with S_FMT. */
    std::optional<fakecam::DeviceConfig> config
        = fakecam::Registry::Instance().Lookup(src->device->Group(), false);
    gst_structure_get_int(s, "width", &width);
    gst_structure_get_int(s, "height", &height);
    if (!config)
        goto gone;
    if (config->busy)
        goto busy;
    if (!gst_caps_is_subset(caps, src->device->ProbedCaps()))
        goto unsupported;

    if (gst_structure_has_name(s, "image/jpeg")) {
        frames = fakecam::JpegFrames(width, height);
    } else {
        if (!gst_video_info_from_caps(&info, caps))
            goto unsupported;
        frames = fakecam::RenderRawFrames(info);
    }
    if (frames.empty())
        goto unsupported;

    gst_structure_get_fraction(s, "framerate", &fps_n, &fps_d);
    if (fps_n <= 0 || fps_d <= 0) {
        fps_n = 30;
        fps_d = 1;
    }

    gst_fakecam_src_drop_frames(src);
    *src->frames = std::move(frames);
    src->frame_duration = gst_util_uint64_scale_int(GST_SECOND, fps_d, fps_n);
    src->device->Stream(*config, src->frame_duration, kQueuedBuffers);
    GST_INFO_OBJECT(src, "streaming %" GST_PTR_FORMAT, caps);
    fakecam::Registry::Instance().RecordNegotiated(config->group, caps);

    gst_element_post_message(GST_ELEMENT(src), gst_message_new_latency(GST_OBJECT(src)));
    return TRUE;

    /* ERRORS */
gone:
    GST_ELEMENT_ERROR(src, RESOURCE, FAILED, ("Device '%s' failed during initialization", src->videodev),
        ("Call to S_FMT failed @ %dx%d: No such device", width, height));
    return FALSE;
busy:
    GST_ELEMENT_ERROR(src, RESOURCE, BUSY, ("Device '%s' is busy", src->videodev),
        ("Call to S_FMT failed @ %dx%d: Device or resource busy", width, height));
    return FALSE;
unsupported:
    GST_ELEMENT_ERROR(src, RESOURCE, SETTINGS,
        ("Device '%s' cannot capture at %dx%d", src->videodev, width, height),
        ("caps %" GST_PTR_FORMAT " are not among the device's formats", caps));
    return FALSE;
}

static gboolean gst_fakecam_src_query(GstBaseSrc* basesrc, GstQuery* query)
{
    GstFakecamSrc* src = GST_FAKECAM_SRC(basesrc);

    if (GST_QUERY_TYPE(query) == GST_QUERY_LATENCY && GST_CLOCK_TIME_IS_VALID(src->frame_duration)) {
        /* A frame is there one frame time after it started; the driver's
         * queue holds a few more. */
        gst_query_set_latency(query, TRUE, src->frame_duration, src->frame_duration * kQueuedBuffers);
        return TRUE;
    }
    return GST_BASE_SRC_CLASS(parent_class)->query(basesrc, query);
}

static gboolean gst_fakecam_src_start(GstBaseSrc* basesrc)
{
    GstFakecamSrc* src = GST_FAKECAM_SRC(basesrc);

    src->device->Start();
    src->frame_duration = GST_CLOCK_TIME_NONE;
    return TRUE;
}

static gboolean gst_fakecam_src_stop(GstBaseSrc* basesrc)
{
    GstFakecamSrc* src = GST_FAKECAM_SRC(basesrc);

    gst_fakecam_src_drop_frames(src);
    src->frame_duration = GST_CLOCK_TIME_NONE;
    return TRUE;
}

static gboolean gst_fakecam_src_unlock(GstBaseSrc* basesrc)
{
    GST_FAKECAM_SRC(basesrc)->device->Unlock();
    return TRUE;
}

static gboolean gst_fakecam_src_unlock_stop(GstBaseSrc* basesrc)
{
    GST_FAKECAM_SRC(basesrc)->device->UnlockStop();
    return TRUE;
}

static GstFlowReturn gst_fakecam_src_create(GstPushSrc* pushsrc, GstBuffer** outbuf)
{
    GstFakecamSrc* src = GST_FAKECAM_SRC(pushsrc);
    GstClockTime running_time = GST_CLOCK_TIME_NONE;
    guint64 slot = 0, skipped = 0, produced = 0;

    if (src->frames->empty())
        return GST_FLOW_NOT_NEGOTIATED;

    const GstFlowReturn ret
        = src->device->Next(GST_ELEMENT(src), "poll error 1", running_time, slot, skipped, produced);
    if (ret != GST_FLOW_OK)
        return ret;
    {
        GstBuffer* buffer = gst_buffer_new();
        gst_buffer_append_memory(buffer, gst_memory_ref((*src->frames)[produced % src->frames->size()]));
        GST_BUFFER_PTS(buffer) = running_time;
        GST_BUFFER_DURATION(buffer) = src->frame_duration;
        GST_BUFFER_OFFSET(buffer) = slot;
        GST_BUFFER_OFFSET_END(buffer) = slot + 1;
        if (produced == 0 || skipped > 0)
            GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DISCONT);
        if (skipped > 0)
            GST_DEBUG_OBJECT(src, "reader too slow, %" G_GUINT64_FORMAT " frames dropped", skipped);
        src->device->CountProduced(produced);
        *outbuf = buffer;
    }
    return GST_FLOW_OK;
}
