// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <gst/base/gstbasesink.h>

G_BEGIN_DECLS

#define GST_TYPE_SNAPWELL_SINK (gst_snapwell_sink_get_type())
G_DECLARE_FINAL_TYPE(GstSnapwellSink, gst_snapwell_sink, GST, SNAPWELL_SINK, GstBaseSink)

G_END_DECLS
