// SPDX-License-Identifier: GPL-2.0-or-later
// The capture sizes, by format index. The index is shared by the camera
// controller, the live view window and the main window's size menu.
#pragma once

#include <array>
#include <cstdint>

struct TVideoFormat {
    const char* Name;
    int32_t Width;
    int32_t Height;
};

inline constexpr std::array<TVideoFormat, 6> VideoFormats { {
    { "SIF", 320, 240 },
    { "VGA", 640, 480 },
    { "SVGA", 800, 600 },
    { "XGA", 1024, 768 },
    { "SXVGA", 1280, 1024 },
    { "UXGA", 1600, 1200 },
} };

// Format indexes by name.
enum : uint8_t { vfSIF, vfVGA, vfSVGA, vfXGA, vfSXVGA, vfUXGA };

inline constexpr uint8_t DefaultFormatIndex = vfVGA; // what the capture library starts a device at

inline constexpr bool IsVideoFormatIndex(uint8_t index) { return index < VideoFormats.size(); }
// The sizes above VGA.
inline constexpr bool IsLargeVideoFormat(uint8_t index) { return index >= vfSVGA && index <= vfUXGA; }
