// SPDX-License-Identifier: LGPL-2.1-or-later
#include "camerasearch.h"

#include <cstring>

namespace probix {

namespace {

    char UpperCaseAsciiLetter(char c)
    {
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }

} // namespace

bool ContainsUpperCased(const char (&text)[kPropertyBufferSize], const char* word)
{
    // The record may come from anywhere: never read past the buffer even when
    // the text lacks its terminator.
    const std::size_t textLength = strnlen(text, kPropertyBufferSize);
    const std::size_t wordLength = std::strlen(word);
    if (wordLength > textLength)
        return false;
    for (std::size_t start = 0; start + wordLength <= textLength; ++start) {
        std::size_t matched = 0;
        while (matched < wordLength && UpperCaseAsciiLetter(text[start + matched]) == word[matched])
            ++matched;
        if (matched == wordLength)
            return true;
    }
    return false;
}

bool IsWorkingVideoCamera(const DeviceRecord& record)
{
    return record.statusReadable && !(record.statusFlags & kStatusNoShowInDeviceManager)
        && !record.classHidden && !(record.statusFlags & kStatusHasProblem)
        && ContainsUpperCased(record.service, "USBVIDEO") && ContainsUpperCased(record.className, "IMAGE");
}

bool FindVideoCamera(DeviceList& devices)
{
    // One record reused for every device keeps the stack use fixed however
    // many devices are attached.
    DeviceRecord record;
    while (devices.Next(record)) {
        if (IsWorkingVideoCamera(record))
            return true;
    }
    return false;
}

} // namespace probix
