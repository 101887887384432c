// SPDX-License-Identifier: LGPL-2.1-or-later
#include "isolated_input.h"

namespace vidcore {

namespace {

    GstFlowReturn ChainIsolated(GstPad* pad, GstObject* parent, GstBuffer* buffer)
    {
        const GstFlowReturn result = gst_proxy_pad_chain_default(pad, parent, buffer);
        return result == GST_FLOW_FLUSHING ? result : GST_FLOW_OK;
    }

    GstFlowReturn ChainListIsolated(GstPad* pad, GstObject* parent, GstBufferList* list)
    {
        const GstFlowReturn result = gst_proxy_pad_chain_list_default(pad, parent, list);
        return result == GST_FLOW_FLUSHING ? result : GST_FLOW_OK;
    }

} // namespace

GstPad* AddIsolatedInput(GstElement* bin, GstPad* target, const char* name)
{
    GstPad* input = gst_ghost_pad_new(name, target);
    if (!input)
        return nullptr;
    gst_pad_set_chain_function(input, ChainIsolated);
    gst_pad_set_chain_list_function(input, ChainListIsolated);
    if (!gst_element_add_pad(bin, input))
        return nullptr;
    return input;
}

} // namespace vidcore
