// SPDX-License-Identifier: LGPL-2.1-or-later
/**
 * SECTION:element-Snapwell_Quillon
 *
 * Stores every frame it receives into the shared frame block that Glimview
 * created, as bottom-up BGR rows, while Glimview's permission word allows it.
 * BGR frames are copied with their rows in reverse order; frames in a camera's
 * own format (I420, YUY2, NV12, ...) are converted straight into the block by
 * libyuv, rows reversed, with the colour matrix and range their caps name.
 * GstVideoConverter converts what libyuv cannot (an unknown matrix, BT.2020,
 * interlaced frames). While copying is not allowed nothing
 * is converted at all, but the block's header words still describe the frame
 * size. The element never waits for the clock and never blocks the streaming
 * thread.
 *
 * ## Example launch line
 * |[
 * gst-launch-1.0 videotestsrc ! video/x-raw,format=I420,width=640,height=480 ! Snapwell_Quillon
 * ]|
 */
#include "gstsnapwellsink.h"

#include "bgrconversion.h"
#include "filter/frameblock.h"
#include "framemaps.h"
#include "framewriter.h"

#include <gst/video/video.h>

GST_DEBUG_CATEGORY_STATIC(gst_snapwell_sink_debug);
#define GST_CAT_DEFAULT gst_snapwell_sink_debug

/* The longest file name the application may hand over. */
static constexpr glong kMaxLocationLength = 260;

enum {
    PROP_0,
    PROP_LOCATION,
    PROP_LAST_SAMPLE_TIME,
};

#define DEFAULT_LOCATION nullptr
#define DEFAULT_LAST_SAMPLE_TIME 0

struct _GstSnapwellSink {
    GstBaseSink parent;

    /* Negotiated frame layout; only the streaming thread touches these. */
    GstVideoInfo info;
    frameblock::BitmapInfoHeader header;
    /* Into the block's BGR rows, for any format but BGR itself: libyuv's
     * conversion when it has one, else the converter. */
    snapwell::BgrConversion* conversion;
    gboolean fast;
    GstVideoInfo block_info;
    GstVideoConverter* converter;

    /* Mapped from start to stop; the streaming thread uses them in between. */
    snapwell::FrameMaps maps;

    /* Stored for whoever asks; nothing is ever written to it. Object lock. */
    gchar* location;

    /* Start time of the last rendered buffer, 0 after a new segment. */
    guint64 last_sample_time;
};

static GstStaticPadTemplate sink_template = GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("video/x-raw, format = (string) { BGR, I420, YV12, NV12, NV21, YUY2, UYVY, YVYU, "
                    "Y42B, Y444, NV16, GRAY8, RGB, BGRx, RGBx, xRGB, xBGR, BGRA, RGBA, ARGB, ABGR }, "
                    "width = (int) [ 1, 1600 ], height = (int) [ 1, 1200 ]"));

#define gst_snapwell_sink_parent_class parent_class
G_DEFINE_TYPE(GstSnapwellSink, gst_snapwell_sink, GST_TYPE_BASE_SINK)

static void gst_snapwell_sink_finalize(GObject* object);
static void gst_snapwell_sink_set_property(
    GObject* object, guint prop_id, const GValue* value, GParamSpec* pspec);
static void gst_snapwell_sink_get_property(GObject* object, guint prop_id, GValue* value, GParamSpec* pspec);
static gboolean gst_snapwell_sink_start(GstBaseSink* bsink);
static gboolean gst_snapwell_sink_stop(GstBaseSink* bsink);
static gboolean gst_snapwell_sink_set_caps(GstBaseSink* bsink, GstCaps* caps);
static gboolean gst_snapwell_sink_event(GstBaseSink* bsink, GstEvent* event);
static GstFlowReturn gst_snapwell_sink_render(GstBaseSink* bsink, GstBuffer* buffer);

static void gst_snapwell_sink_class_init(GstSnapwellSinkClass* klass)
{
    GObjectClass* gobject_class = G_OBJECT_CLASS(klass);
    GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
    GstBaseSinkClass* base_sink_class = GST_BASE_SINK_CLASS(klass);

    gobject_class->finalize = gst_snapwell_sink_finalize;
    gobject_class->set_property = gst_snapwell_sink_set_property;
    gobject_class->get_property = gst_snapwell_sink_get_property;

    g_object_class_install_property(gobject_class, PROP_LOCATION,
        g_param_spec_string("location", "Location",
            "File name kept for the application (at most 260 characters); nothing is written to it",
            DEFAULT_LOCATION, static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));
    g_object_class_install_property(gobject_class, PROP_LAST_SAMPLE_TIME,
        g_param_spec_uint64("last-sample-time", "Last sample time",
            "Start time of the last rendered buffer, 0 after a new segment", 0, G_MAXUINT64,
            DEFAULT_LAST_SAMPLE_TIME, static_cast<GParamFlags>(G_PARAM_READABLE | G_PARAM_STATIC_STRINGS)));

    gst_element_class_set_static_metadata(
        element_class, "Snapwell_Quillon", "Sink/Video", "Snapwell Filter", "Glimview developers");
    gst_element_class_add_static_metadata(element_class, "clsid", "{8F7CF39C-3F41-4700-BE1E-36D3257FF1DD}");
    gst_element_class_add_static_pad_template(element_class, &sink_template);

    base_sink_class->start = GST_DEBUG_FUNCPTR(gst_snapwell_sink_start);
    base_sink_class->stop = GST_DEBUG_FUNCPTR(gst_snapwell_sink_stop);
    base_sink_class->set_caps = GST_DEBUG_FUNCPTR(gst_snapwell_sink_set_caps);
    base_sink_class->event = GST_DEBUG_FUNCPTR(gst_snapwell_sink_event);
    base_sink_class->render = GST_DEBUG_FUNCPTR(gst_snapwell_sink_render);

    GST_DEBUG_CATEGORY_INIT(gst_snapwell_sink_debug, "snapwell", 0, "Snapwell frame-grab sink");
}

static void gst_snapwell_sink_init(GstSnapwellSink* sink)
{
    gst_video_info_init(&sink->info);
    sink->header = {};
    sink->conversion = new snapwell::BgrConversion();
    sink->fast = FALSE;
    gst_video_info_init(&sink->block_info);
    sink->converter = nullptr;
    sink->maps = {};
    sink->location = g_strdup(DEFAULT_LOCATION);
    sink->last_sample_time = DEFAULT_LAST_SAMPLE_TIME;

    /* Frames are copied as they come, never held back for the clock. */
    gst_base_sink_set_sync(GST_BASE_SINK(sink), FALSE);
    /* The block already holds the last frame; keeping a buffer as well would
     * only take one out of the upstream pool. */
    gst_base_sink_set_last_sample_enabled(GST_BASE_SINK(sink), FALSE);
}

static gboolean gst_snapwell_sink_start(GstBaseSink* bsink)
{
    GstSnapwellSink* sink = GST_SNAPWELL_SINK(bsink);

    /* Without the maps the sink still runs; it looks again at every new caps. */
    if (!snapwell::OpenFrameMaps(sink->maps))
        GST_INFO_OBJECT(sink, "frame maps not open yet; frames are not copied");
    return TRUE;
}

static gboolean gst_snapwell_sink_stop(GstBaseSink* bsink)
{
    GstSnapwellSink* sink = GST_SNAPWELL_SINK(bsink);

    snapwell::CloseFrameMaps(sink->maps);
    /* A restarted element negotiates anew: nothing of the last stream's
     * layout may be used for a frame that comes before its caps. */
    gst_video_info_init(&sink->info);
    sink->header = {};
    sink->fast = FALSE;
    gst_video_info_init(&sink->block_info);
    g_clear_pointer(&sink->converter, gst_video_converter_free);
    __atomic_store_n(&sink->last_sample_time, DEFAULT_LAST_SAMPLE_TIME, __ATOMIC_RELAXED);
    return TRUE;
}

static void gst_snapwell_sink_finalize(GObject* object)
{
    GstSnapwellSink* sink = GST_SNAPWELL_SINK(object);

    g_free(sink->location);
    g_clear_pointer(&sink->converter, gst_video_converter_free);
    delete sink->conversion;

    G_OBJECT_CLASS(parent_class)->finalize(object);
}

static glong location_length(const gchar* location)
{
    return g_utf8_validate(location, -1, nullptr) ? g_utf8_strlen(location, -1)
                                                  : static_cast<glong>(strlen(location));
}

static void gst_snapwell_sink_set_location(GstSnapwellSink* sink, const gchar* location)
{
    if (location == nullptr)
        goto no_location;
    if (location_length(location) > kMaxLocationLength)
        goto too_long;

    GST_OBJECT_LOCK(sink);
    g_free(sink->location);
    sink->location = g_strdup(location);
    GST_OBJECT_UNLOCK(sink);
    return;

    /* ERRORS */
no_location:
    GST_ELEMENT_WARNING(sink, RESOURCE, SETTINGS, (nullptr), ("no location given; keeping the old one"));
    return;
too_long:
    GST_ELEMENT_WARNING(sink, RESOURCE, SETTINGS, (nullptr),
        ("location longer than %ld characters; keeping the old one", kMaxLocationLength));
    return;
}

static void gst_snapwell_sink_set_property(
    GObject* object, guint prop_id, const GValue* value, GParamSpec* pspec)
{
    GstSnapwellSink* sink = GST_SNAPWELL_SINK(object);

    switch (prop_id) {
    case PROP_LOCATION:
        gst_snapwell_sink_set_location(sink, g_value_get_string(value));
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, prop_id, pspec);
        break;
    }
}

static void gst_snapwell_sink_get_property(GObject* object, guint prop_id, GValue* value, GParamSpec* pspec)
{
    GstSnapwellSink* sink = GST_SNAPWELL_SINK(object);

    switch (prop_id) {
    case PROP_LOCATION:
        GST_OBJECT_LOCK(sink);
        g_value_set_string(value, sink->location);
        GST_OBJECT_UNLOCK(sink);
        break;
    case PROP_LAST_SAMPLE_TIME:
        g_value_set_uint64(value, __atomic_load_n(&sink->last_sample_time, __ATOMIC_RELAXED));
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, prop_id, pspec);
        break;
    }
}

/* For what libyuv cannot convert. Chroma is taken as it lies (each sample
 * for the pixels of its block) and nothing is dithered, as libyuv does. */
static gboolean gst_snapwell_sink_make_converter(GstSnapwellSink* sink, const GstVideoInfo* info)
{
    GstVideoInfo block_info;

    /* The converter wants both sides alike in all but format. */
    gst_video_info_set_interlaced_format(&block_info, GST_VIDEO_FORMAT_BGR,
        GST_VIDEO_INFO_INTERLACE_MODE(info), GST_VIDEO_INFO_WIDTH(info), GST_VIDEO_INFO_HEIGHT(info));
    GST_VIDEO_INFO_FPS_N(&block_info) = GST_VIDEO_INFO_FPS_N(info);
    GST_VIDEO_INFO_FPS_D(&block_info) = GST_VIDEO_INFO_FPS_D(info);
    GST_VIDEO_INFO_PAR_N(&block_info) = GST_VIDEO_INFO_PAR_N(info);
    GST_VIDEO_INFO_PAR_D(&block_info) = GST_VIDEO_INFO_PAR_D(info);

    sink->converter = gst_video_converter_new(const_cast<GstVideoInfo*>(info), &block_info,
        gst_structure_new("GstVideoConvertConfig", GST_VIDEO_CONVERTER_OPT_DITHER_METHOD,
            GST_TYPE_VIDEO_DITHER_METHOD, GST_VIDEO_DITHER_NONE, GST_VIDEO_CONVERTER_OPT_CHROMA_MODE,
            GST_TYPE_VIDEO_CHROMA_MODE, GST_VIDEO_CHROMA_MODE_NONE, GST_VIDEO_CONVERTER_OPT_THREADS,
            G_TYPE_UINT, 1u, nullptr));
    sink->block_info = block_info;
    return sink->converter != nullptr;
}

static gboolean gst_snapwell_sink_set_caps(GstBaseSink* bsink, GstCaps* caps)
{
    GstSnapwellSink* sink = GST_SNAPWELL_SINK(bsink);
    GstVideoInfo info;
    void* block;

    if (!gst_caps_is_fixed(caps))
        goto not_fixed;
    if (!gst_video_info_from_caps(&info, caps))
        goto invalid_caps;
    /* The template bounds the size already; the block must never depend on it. */
    if (!snapwell::FitsPixelArea(GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info)))
        goto wrong_size;

    g_clear_pointer(&sink->converter, gst_video_converter_free);
    sink->fast = FALSE;
    if (GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_BGR) {
        sink->fast = sink->conversion->Prepare(info);
        if (!sink->fast && !gst_snapwell_sink_make_converter(sink, &info))
            goto no_converter;
    }
    sink->info = info;
    sink->header = snapwell::MakeBitmapHeader(GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info));

    /* The application may have started after this element was created. */
    snapwell::OpenFrameMaps(sink->maps);
    block = sink->maps.block;
    if (block)
        snapwell::StoreBitmapHeader(block, sink->header);

    GST_DEBUG_OBJECT(sink, "accepted %" GST_PTR_FORMAT " (%s), frame maps %s", caps,
        sink->converter  ? "GstVideoConverter"
            : sink->fast ? "libyuv"
                         : "row copy",
        block ? "open" : "missing");
    return TRUE;

    /* ERRORS */
not_fixed:
    GST_DEBUG_OBJECT(sink, "refusing caps that are not fixed: %" GST_PTR_FORMAT, caps);
    return FALSE;
invalid_caps:
    GST_DEBUG_OBJECT(sink, "refusing caps that are no video: %" GST_PTR_FORMAT, caps);
    return FALSE;
no_converter:
    GST_DEBUG_OBJECT(sink, "no conversion to BGR from %" GST_PTR_FORMAT, caps);
    return FALSE;
wrong_size:
    GST_DEBUG_OBJECT(sink, "refusing a frame size that does not fit the block: %" GST_PTR_FORMAT, caps);
    return FALSE;
}

static gboolean gst_snapwell_sink_event(GstBaseSink* bsink, GstEvent* event)
{
    GstSnapwellSink* sink = GST_SNAPWELL_SINK(bsink);

    if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT)
        __atomic_store_n(&sink->last_sample_time, 0, __ATOMIC_RELAXED);

    return GST_BASE_SINK_CLASS(parent_class)->event(bsink, event);
}

/* Converts the frame straight into the pixel area: the destination starts at
 * the block's last row and runs upwards, so the rows land bottom-up. */
static void gst_snapwell_sink_convert_frame(GstSnapwellSink* sink, GstVideoFrame* frame, void* block)
{
    if (sink->fast) {
        if (!snapwell::BeginFrame(block, sink->maps.permission))
            return;
        sink->conversion->Run(*frame, static_cast<uint8_t*>(block));
        snapwell::EndFrame(block);
        return;
    }

    const gint row_bytes = GST_VIDEO_INFO_WIDTH(&sink->block_info) * (snapwell::kBitCount / 8);
    const gint height = GST_VIDEO_INFO_HEIGHT(&sink->block_info);
    GstVideoFrame rows = {};

    rows.info = sink->block_info;
    GST_VIDEO_INFO_PLANE_OFFSET(&rows.info, 0) = 0;
    GST_VIDEO_INFO_PLANE_STRIDE(&rows.info, 0) = -row_bytes;
    rows.data[0] = static_cast<guint8*>(block) + static_cast<gsize>(height - 1) * row_bytes;

    if (!snapwell::BeginFrame(block, sink->maps.permission))
        return;
    gst_video_converter_frame(sink->converter, frame, &rows);
    snapwell::EndFrame(block);
}

static GstFlowReturn gst_snapwell_sink_render(GstBaseSink* bsink, GstBuffer* buffer)
{
    GstSnapwellSink* sink = GST_SNAPWELL_SINK(bsink);
    GstVideoFrame frame;
    void* block;

    __atomic_store_n(&sink->last_sample_time, GST_BUFFER_PTS(buffer), __ATOMIC_RELAXED);

    if (GST_VIDEO_INFO_FORMAT(&sink->info) == GST_VIDEO_FORMAT_UNKNOWN)
        goto not_negotiated;

    block = sink->maps.block;
    if (!block)
        return GST_FLOW_OK;

    snapwell::StoreFrameWords(block, sink->header);
    if (!snapwell::CopyPermitted(sink->maps.permission))
        return GST_FLOW_OK;

    /* Mapping checks the buffer holds the whole negotiated frame, so a short
     * buffer is never read past its end. */
    if (!gst_video_frame_map(&frame, &sink->info, buffer, GST_MAP_READ))
        goto map_failed;

    if (sink->fast || sink->converter)
        gst_snapwell_sink_convert_frame(sink, &frame, block);
    else
        snapwell::CopyFrameBottomUp(block, static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
            GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0),
            static_cast<std::size_t>(GST_VIDEO_FRAME_WIDTH(&frame)) * (snapwell::kBitCount / 8),
            GST_VIDEO_FRAME_HEIGHT(&frame), sink->maps.permission);
    gst_video_frame_unmap(&frame);
    return GST_FLOW_OK;

    /* ERRORS */
not_negotiated:
    GST_ELEMENT_ERROR(sink, CORE, NEGOTIATION, (nullptr), ("a buffer arrived before any caps"));
    return GST_FLOW_NOT_NEGOTIATED;
map_failed:
    GST_ELEMENT_ERROR(sink, STREAM, FAILED, (nullptr),
        ("could not map a buffer of %" G_GSIZE_FORMAT " bytes as a %dx%d frame", gst_buffer_get_size(buffer),
            GST_VIDEO_INFO_WIDTH(&sink->info), GST_VIDEO_INFO_HEIGHT(&sink->info)));
    return GST_FLOW_ERROR;
}
