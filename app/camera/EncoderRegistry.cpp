// SPDX-License-Identifier: GPL-2.0-or-later
#include "camera/EncoderRegistry.h"

#include "camera/CamControllerUnit.h"

#include <gst/gst.h>

namespace {

// The encoder whose absence makes the type unavailable. MP4 prefers a
// VA-API encoder, but x264 is the one every machine falls back to.
const char* RequiredEncoder(int32_t videoType)
{
    return videoType == TCamController::VideoTypeMp4 ? "x264enc" : nullptr;
}

} // namespace

bool RecordingTypeEncodable(int32_t videoType)
{
    const char* encoder = RequiredEncoder(videoType);
    if (!encoder || !gst_is_initialized())
        return true;
    g_autoptr(GstPluginFeature) feature = gst_registry_lookup_feature(gst_registry_get(), encoder);
    return feature != nullptr;
}

QString RecordingTypePackage(int32_t videoType)
{
    return RequiredEncoder(videoType) ? QStringLiteral("gstreamer1.0-plugins-ugly") : QString();
}
