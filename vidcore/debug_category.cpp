// SPDX-License-Identifier: LGPL-2.1-or-later
#include "debug_category.h"

namespace vidcore {

GstDebugCategory* DebugCategory()
{
    static GstDebugCategory* const category = [] {
        GstDebugCategory* made = nullptr;
        GST_DEBUG_CATEGORY_INIT(made, "vidcore", 0, "Glimview capture library");
        return made;
    }();
    return category;
}

namespace {

    void LogCaps(GstPad* pad, GParamSpec*, gpointer what)
    {
        g_autoptr(GstCaps) caps = gst_pad_get_current_caps(pad);
        if (caps)
            GST_INFO_OBJECT(pad, "%s: %" GST_PTR_FORMAT, static_cast<const char*>(what), caps);
    }

} // namespace

void TraceNegotiatedCaps(GstElement* element, const char* padName, const char* what)
{
    g_autoptr(GstPad) pad = element ? gst_element_get_static_pad(element, padName) : nullptr;
    if (!pad)
        return;
    // `what` is a literal; the handler lives as long as the pad.
    g_signal_connect(pad, "notify::caps", G_CALLBACK(LogCaps), const_cast<char*>(what));
}

} // namespace vidcore
