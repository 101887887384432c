// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <gst/base/gstpushsrc.h>

G_BEGIN_DECLS

#define GST_TYPE_FAKEMIC_SRC (gst_fakemic_src_get_type())
G_DECLARE_FINAL_TYPE(GstFakemicSrc, gst_fakemic_src, GST, FAKEMIC_SRC, GstPushSrc)

G_END_DECLS
