// SPDX-License-Identifier: GPL-2.0-or-later
#include "ConvertProfile.h"

#include <charconv>
#include <fstream>
#include <map>

namespace {

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool ReadNumber(const std::map<std::string, std::string>& values, const char* key, int low, int high,
    int& out, std::string& error)
{
    const auto found = values.find(key);
    if (found == values.end()) {
        error = std::string("missing ") + key;
        return false;
    }
    const std::string& text = found->second;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), out);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || out < low || out > high) {
        error = std::string("bad value for ") + key + ": " + text;
        return false;
    }
    return true;
}

} // namespace

std::optional<TConvertProfile> ReadConvertProfile(const std::string& path, std::string& error)
{
    std::ifstream file(path);
    if (!file) {
        error = "cannot read the profile " + path;
        return std::nullopt;
    }
    std::map<std::string, std::string> values;
    std::string line;
    while (std::getline(file, line)) {
        line = Trim(line);
        if (line.empty() || line.front() == '#')
            continue;
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        values[Trim(line.substr(0, equals))] = Trim(line.substr(equals + 1));
    }
    TConvertProfile profile;
    if (!ReadNumber(values, "width", 16, 4096, profile.Width, error)
        || !ReadNumber(values, "height", 16, 4096, profile.Height, error)
        || !ReadNumber(values, "video-bitrate", 10000, 100000000, profile.VideoBitrate, error)
        || !ReadNumber(values, "audio-bitrate", 8000, 320000, profile.AudioBitrate, error))
        return std::nullopt;
    // I420 halves both directions for its chroma planes.
    if (profile.Width % 2 != 0 || profile.Height % 2 != 0) {
        error = "width and height must be even";
        return std::nullopt;
    }
    return profile;
}
