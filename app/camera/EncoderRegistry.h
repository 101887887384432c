// SPDX-License-Identifier: GPL-2.0-or-later
// Which recording types the GStreamer of this process can encode, asked of
// its plugin registry, which the capture library has loaded.
#pragma once

#include <QString>

#include <cstdint>

// False when the video type needs an encoder that the registry lacks: MP4
// without x264enc. True when GStreamer is not yet started and cannot tell.
bool RecordingTypeEncodable(int32_t videoType);

// The Debian package whose plugin the video type needs; empty for none.
QString RecordingTypePackage(int32_t videoType);
