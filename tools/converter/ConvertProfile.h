// SPDX-License-Identifier: GPL-2.0-or-later
// The converter's profiles: small text files of "key=value" lines that fix
// the size and the bit rates of the WMV it writes. Lines starting with '#'
// are comments.
//
//   width=640
//   height=480
//   video-bitrate=2000000
//   audio-bitrate=64000
#pragma once

#include <optional>
#include <string>

struct TConvertProfile {
    int Width = 0;
    int Height = 0;
    int VideoBitrate = 0; // bits per second
    int AudioBitrate = 0;
};

// Nothing, with the reason in error, when the file cannot be read or lacks a
// value or holds one out of range.
std::optional<TConvertProfile> ReadConvertProfile(const std::string& path, std::string& error);
