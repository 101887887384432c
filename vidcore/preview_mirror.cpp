// SPDX-License-Identifier: LGPL-2.1-or-later
#include "preview_mirror.h"

#include "debug_category.h"

#include <gst/video/gstvideofilter.h>
#include <gst/video/video.h>
#include <libyuv/convert_argb.h>
#include <libyuv/planar_functions.h>

#include <algorithm>
#include <mutex>

namespace vidcore {

namespace {

    constexpr const char* kFactory = "vidcorepreviewmirror";

    // The formats on either side; the first output is the usual display's.
    constexpr const char* kInputs[] = { "I420", "YV12", "Y42B", "Y444" };
    constexpr const char* kOutputs[] = { "BGRx", "BGRA", "RGBx", "RGBA" };

    // libyuv's conversion of one planar layout into its ARGB (B, G, R, A in
    // memory).
    using Convert = int (*)(const uint8_t*, int, const uint8_t*, int, const uint8_t*, int, uint8_t*, int,
        const libyuv::YuvConstants*, int, int);

    // Rows turned at a time: even, for the chroma rows of I420; two rows of
    // four bytes a pixel stay in the first-level cache.
    constexpr int kStripRows = 2;

    enum { PropMirrored = 1 };

    struct PreviewMirror {
        GstVideoFilter parent;
        gint mirrored; // atomic: set by the application, read by each frame
        // Settled with the caps, on the streaming thread.
        Convert convert;
        const libyuv::YuvConstants* matrix;
        bool swapChroma; // RGBx, RGBA: V for U and the mirrored matrix
        guint8* rows; // a strip of converted rows
    };

    struct PreviewMirrorClass {
        GstVideoFilterClass parent;
    };

    GstVideoFilterClass* parentClass = nullptr;

    PreviewMirror* AsMirror(gpointer object) { return reinterpret_cast<PreviewMirror*>(object); }

    GValue FormatList(const char* const* names, size_t count)
    {
        GValue list = G_VALUE_INIT;
        gst_value_list_init(&list, guint(count));
        for (size_t i = 0; i < count; ++i) {
            GValue name = G_VALUE_INIT;
            g_value_init(&name, G_TYPE_STRING);
            g_value_set_static_string(&name, names[i]);
            gst_value_list_append_and_take_value(&list, &name);
        }
        return list;
    }

    template <size_t N> GstCaps* RawCaps(const char* const (&formats)[N])
    {
        GstCaps* caps
            = gst_caps_from_string("video/x-raw, width = (int) [ 1, max ], height = (int) [ 1, max ], "
                                   "framerate = (fraction) [ 0, max ]");
        GValue list = FormatList(formats, N);
        gst_caps_set_value(caps, "format", &list);
        g_value_unset(&list);
        return caps;
    }

    // The same frames on the other side: the size, rate and aspect kept, the
    // format and colour description those of that side.
    GstCaps* TransformCaps(GstBaseTransform*, GstPadDirection direction, GstCaps* caps, GstCaps* filter)
    {
        GValue formats = direction == GST_PAD_SINK ? FormatList(kOutputs, G_N_ELEMENTS(kOutputs))
                                                   : FormatList(kInputs, G_N_ELEMENTS(kInputs));
        GstCaps* result = gst_caps_new_empty();
        for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
            GstStructure* s = gst_structure_copy(gst_caps_get_structure(caps, i));
            gst_structure_set_value(s, "format", &formats);
            gst_structure_remove_fields(s, "colorimetry", "chroma-site", nullptr);
            result = gst_caps_merge_structure_full(
                result, s, gst_caps_features_copy(gst_caps_get_features(caps, i)));
        }
        g_value_unset(&formats);
        if (filter) {
            GstCaps* both = gst_caps_intersect_full(filter, result, GST_CAPS_INTERSECT_FIRST);
            gst_caps_unref(result);
            result = both;
        }
        return result;
    }

    const libyuv::YuvConstants* Matrix(const GstVideoColorimetry& colour, bool swapped)
    {
        const bool full = colour.range == GST_VIDEO_COLOR_RANGE_0_255;
        switch (colour.matrix) {
        case GST_VIDEO_COLOR_MATRIX_BT709:
            return swapped ? (full ? &libyuv::kYvuF709Constants : &libyuv::kYvuH709Constants)
                           : (full ? &libyuv::kYuvF709Constants : &libyuv::kYuvH709Constants);
        case GST_VIDEO_COLOR_MATRIX_BT2020:
            return swapped ? (full ? &libyuv::kYvuV2020Constants : &libyuv::kYvu2020Constants)
                           : (full ? &libyuv::kYuvV2020Constants : &libyuv::kYuv2020Constants);
        default: // BT.601, and the camera's unknown
            return swapped ? (full ? &libyuv::kYvuJPEGConstants : &libyuv::kYvuI601Constants)
                           : (full ? &libyuv::kYuvJPEGConstants : &libyuv::kYuvI601Constants);
        }
    }

    gboolean SetInfo(GstVideoFilter* filter, GstCaps*, GstVideoInfo* in, GstCaps*, GstVideoInfo* out)
    {
        PreviewMirror* self = AsMirror(filter);
        switch (GST_VIDEO_INFO_FORMAT(in)) {
        case GST_VIDEO_FORMAT_I420:
        case GST_VIDEO_FORMAT_YV12:
            self->convert = libyuv::I420ToARGBMatrix;
            break;
        case GST_VIDEO_FORMAT_Y42B:
            self->convert = libyuv::I422ToARGBMatrix;
            break;
        case GST_VIDEO_FORMAT_Y444:
            self->convert = libyuv::I444ToARGBMatrix;
            break;
        default:
            return FALSE;
        }
        const GstVideoFormat format = GST_VIDEO_INFO_FORMAT(out);
        self->swapChroma = format == GST_VIDEO_FORMAT_RGBx || format == GST_VIDEO_FORMAT_RGBA;
        self->matrix = Matrix(in->colorimetry, self->swapChroma);
        // A strip of converted rows.
        g_free(self->rows);
        self->rows = static_cast<guint8*>(g_malloc(4 * size_t(GST_VIDEO_INFO_WIDTH(in)) * kStripRows));
        GST_DEBUG_OBJECT(self, "%s to %s", GST_VIDEO_INFO_NAME(in), GST_VIDEO_INFO_NAME(out));
        return TRUE;
    }

    GstFlowReturn TransformFrame(GstVideoFilter* filter, GstVideoFrame* in, GstVideoFrame* out)
    {
        PreviewMirror* self = AsMirror(filter);
        const int width = GST_VIDEO_FRAME_WIDTH(in);
        const int height = GST_VIDEO_FRAME_HEIGHT(in);
        const int u = self->swapChroma ? GST_VIDEO_COMP_V : GST_VIDEO_COMP_U;
        const int v = self->swapChroma ? GST_VIDEO_COMP_U : GST_VIDEO_COMP_V;
        const auto* y = static_cast<const guint8*>(GST_VIDEO_FRAME_COMP_DATA(in, GST_VIDEO_COMP_Y));
        const auto* cu = static_cast<const guint8*>(GST_VIDEO_FRAME_COMP_DATA(in, u));
        const auto* cv = static_cast<const guint8*>(GST_VIDEO_FRAME_COMP_DATA(in, v));
        const int yStride = GST_VIDEO_FRAME_COMP_STRIDE(in, GST_VIDEO_COMP_Y);
        const int uStride = GST_VIDEO_FRAME_COMP_STRIDE(in, u);
        const int vStride = GST_VIDEO_FRAME_COMP_STRIDE(in, v);
        auto* argb = static_cast<guint8*>(GST_VIDEO_FRAME_PLANE_DATA(out, 0));
        const int argbStride = GST_VIDEO_FRAME_PLANE_STRIDE(out, 0);

        if (!g_atomic_int_get(&self->mirrored)) {
            self->convert(
                y, yStride, cu, uStride, cv, vStride, argb, argbStride, self->matrix, width, height);
            return GST_FLOW_OK;
        }
        // A strip of rows at a time: converted as the plain picture is, into
        // a buffer that stays in the first-level cache, and turned from there
        // into the output. The frame is read forwards as the plain conversion
        // reads it, which the hardware fetches ahead of the reading.
        const int chromaShift = GST_VIDEO_FORMAT_INFO_H_SUB(in->info.finfo, GST_VIDEO_COMP_U);
        guint8* converted = self->rows;
        const int convertedStride = width * 4;
        for (int top = 0; top < height; top += kStripRows) {
            const int rows = std::min(kStripRows, height - top);
            const int chromaTop = top >> chromaShift;
            self->convert(y + ptrdiff_t(top) * yStride, yStride, cu + ptrdiff_t(chromaTop) * uStride, uStride,
                cv + ptrdiff_t(chromaTop) * vStride, vStride, converted, convertedStride, self->matrix, width,
                rows);
            libyuv::ARGBMirror(
                converted, convertedStride, argb + ptrdiff_t(top) * argbStride, argbStride, width, rows);
        }
        return GST_FLOW_OK;
    }

    void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* param)
    {
        if (id != PropMirrored) {
            G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, param);
            return;
        }
        PreviewMirror* self = AsMirror(object);
        const gboolean mirrored = g_value_get_boolean(value);
        if (g_atomic_int_exchange(&self->mirrored, mirrored) != mirrored)
            GST_DEBUG_OBJECT(self, "%s", mirrored ? "mirrored" : "not mirrored");
    }

    void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* param)
    {
        if (id != PropMirrored) {
            G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, param);
            return;
        }
        g_value_set_boolean(value, g_atomic_int_get(&AsMirror(object)->mirrored));
    }

    void Finalize(GObject* object)
    {
        g_free(AsMirror(object)->rows);
        G_OBJECT_CLASS(parentClass)->finalize(object);
    }

    void ClassInit(gpointer klass, gpointer)
    {
        parentClass = static_cast<GstVideoFilterClass*>(g_type_class_peek_parent(klass));
        GObjectClass* object = G_OBJECT_CLASS(klass);
        object->set_property = SetProperty;
        object->get_property = GetProperty;
        object->finalize = Finalize;
        g_object_class_install_property(object, PropMirrored,
            g_param_spec_boolean("mirrored", "Mirrored", "Turn the picture left to right", FALSE,
                GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS | GST_PARAM_MUTABLE_PLAYING)));

        GstElementClass* element = GST_ELEMENT_CLASS(klass);
        gst_element_class_set_static_metadata(element, "Preview mirror", "Filter/Converter/Video",
            "Converts planar YUV to four bytes a pixel, turned left to right on request", "Glimview");
        g_autoptr(GstCaps) inputs = RawCaps(kInputs);
        g_autoptr(GstCaps) outputs = RawCaps(kOutputs);
        gst_element_class_add_pad_template(
            element, gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, inputs));
        gst_element_class_add_pad_template(
            element, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, outputs));

        GST_BASE_TRANSFORM_CLASS(klass)->transform_caps = TransformCaps;
        GST_VIDEO_FILTER_CLASS(klass)->set_info = SetInfo;
        GST_VIDEO_FILTER_CLASS(klass)->transform_frame = TransformFrame;
    }

    GType PreviewMirrorType()
    {
        static const GType type = g_type_register_static_simple(GST_TYPE_VIDEO_FILTER,
            g_intern_static_string("VidcorePreviewMirror"), sizeof(PreviewMirrorClass), ClassInit,
            sizeof(PreviewMirror), nullptr, GTypeFlags(0));
        return type;
    }

} // namespace

const char* PreviewMirrorFactory()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // A feature of no plugin: it lives in this process's registry alone,
        // and no plugin file is looked for.
        if (!gst_element_register(nullptr, kFactory, GST_RANK_NONE, PreviewMirrorType()))
            GST_ERROR("the element %s cannot be registered", kFactory);
    });
    return kFactory;
}

} // namespace vidcore
