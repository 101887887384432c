// SPDX-License-Identifier: LGPL-2.1-or-later
#include "source_controls.h"

#include "gst_ref.h"

#include <cmath>
#include <memory>

namespace vidcore {

std::vector<SourceControl> BalanceControls(GstElement* balance)
{
    struct Property {
        const char* name;
        const char* label;
    };
    static constexpr Property properties[] = { { "brightness", "Brightness" }, { "contrast", "Contrast" },
        { "hue", "Hue" }, { "saturation", "Saturation" } };
    // The dialog may outlive the capture; it keeps the element alive.
    auto element = std::make_shared<GstRef<GstElement>>(GstRef<GstElement>::Borrow(balance));
    std::vector<SourceControl> controls;
    for (const Property& property : properties) {
        auto* range
            = G_PARAM_SPEC_DOUBLE(g_object_class_find_property(G_OBJECT_GET_CLASS(balance), property.name));
        double current = 0;
        g_object_get(balance, property.name, &current, nullptr);
        SourceControl control;
        control.name = property.label;
        control.ownName = true;
        control.kind = SourceControl::Kind::Slider;
        control.minimum = int(std::lround(range->minimum * 100));
        control.maximum = int(std::lround(range->maximum * 100));
        control.defaultValue = int(std::lround(range->default_value * 100));
        control.value = int(std::lround(current * 100));
        const char* name = property.name;
        control.apply = [element, name](int hundredths) {
            g_object_set(element->get(), name, hundredths / 100.0, nullptr);
        };
        controls.push_back(std::move(control));
    }
    return controls;
}

} // namespace vidcore
