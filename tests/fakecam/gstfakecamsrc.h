// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <gst/base/gstpushsrc.h>

G_BEGIN_DECLS

#define GST_TYPE_FAKECAM_SRC (gst_fakecam_src_get_type())
G_DECLARE_FINAL_TYPE(GstFakecamSrc, gst_fakecam_src, GST, FAKECAM_SRC, GstPushSrc)

G_END_DECLS
