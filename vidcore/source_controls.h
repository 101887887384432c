// SPDX-License-Identifier: LGPL-2.1-or-later
// The adjustable settings of a video source, as the settings dialog shows
// them: V4L2 controls of a real camera, the picture balance of the synthetic
// one.
#pragma once

#include <gst/gst.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace vidcore {

struct SourceControl {
    enum class Kind { Slider, CheckBox, Choice };
    std::string name;
    // The library's own English name, shown translated ("vidcore" context);
    // names that come from the driver are shown as they come.
    bool ownName = false;
    Kind kind = Kind::Slider;
    int minimum = 0;
    int maximum = 0;
    int step = 1;
    int defaultValue = 0;
    int value = 0;
    std::vector<std::pair<int, std::string>> choices; // value, label
    std::function<void(int)> apply; // sets the value live
};

// Brightness, contrast, hue and saturation of a videobalance element, in
// hundredths.
std::vector<SourceControl> BalanceControls(GstElement* balance);

// The controls of the V4L2 device node (integer, Boolean and menu controls).
// Empty when the node cannot be opened.
std::vector<SourceControl> V4l2Controls(const std::string& deviceNode);

} // namespace vidcore
