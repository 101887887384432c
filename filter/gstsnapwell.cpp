// SPDX-License-Identifier: LGPL-2.1-or-later
/* The Snapwell plugin: one element, "Snapwell_Quillon", ranked NONE so that
 * no autoplugger ever picks it; only a pipeline that names it uses it. */
#include "gstsnapwellsink.h"

#include <gst/gst.h>

static gboolean plugin_init(GstPlugin* plugin)
{
    return gst_element_register(plugin, "Snapwell_Quillon", GST_RANK_NONE, GST_TYPE_SNAPWELL_SINK);
}

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, snapwell, "Snapwell frame-grab sink for Glimview",
    plugin_init, VERSION, "LGPL", PACKAGE, ORIGIN)
