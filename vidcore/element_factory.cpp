// SPDX-License-Identifier: LGPL-2.1-or-later
#include "element_factory.h"

#include "debug_category.h"

namespace vidcore {

GstElement* MakeElement(const char* factory, std::string* error)
{
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (!element) {
        GST_ERROR("the GStreamer element \"%s\" is not installed", factory);
        if (error && error->empty())
            *error = std::string("the GStreamer element \"") + factory + "\" is not installed";
    }
    return element;
}

GstElement* MakeElement(GstElement* bin, const char* factory, std::string* error)
{
    return AddElement(bin, MakeElement(factory, error));
}

GstElement* MakeLibavMuxer(GstElement* bin, const char* factory, std::string* error)
{
    // Made here, not through the overload that adds it: this function must
    // stand in the element's allocation stack, and a tail call would leave it
    // out.
    GstElement* muxer = MakeElement(factory, error);
    return AddElement(bin, muxer);
}

GstElement* AddElement(GstElement* bin, GstElement* element)
{
    if (element) {
        GST_DEBUG_OBJECT(bin, "added %" GST_PTR_FORMAT, element);
        gst_bin_add(GST_BIN(bin), element);
    }
    return element;
}

} // namespace vidcore
