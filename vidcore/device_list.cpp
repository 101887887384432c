// SPDX-License-Identifier: LGPL-2.1-or-later
#include "device_list.h"

#include "debug_category.h"
#include "element_factory.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>

namespace vidcore {

namespace {

    constexpr const char* kSyntheticCameraName = "Vidcore Test Camera";
    constexpr const char* kSyntheticMicrophoneName = "Vidcore Test Microphone";

    bool SyntheticDevicesWanted()
    {
        const char* value = std::getenv("VIDCORE_TEST_DEVICES");
        return value && std::strcmp(value, "1") == 0;
    }

    std::string PropertyText(GstDevice* device, const char* key)
    {
        g_autoptr(GstStructure) props = gst_device_get_properties(device);
        const char* value = props ? gst_structure_get_string(props, key) : nullptr;
        return value ? value : "";
    }

    // PulseAudio lists the loopback of every output as a source too; those are
    // not microphones.
    bool IsMonitorSource(GstDevice* device) { return PropertyText(device, "device.class") == "monitor"; }

    // The desktop's default microphone, as PulseAudio marks it: a property of
    // the device object, or an entry of its properties.
    bool IsDefault(GstDevice* device)
    {
        gboolean isDefault = FALSE;
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(device), "is-default"))
            g_object_get(device, "is-default", &isDefault, nullptr);
        if (isDefault)
            return true;
        g_autoptr(GstStructure) props = gst_device_get_properties(device);
        if (props)
            gst_structure_get_boolean(props, "is-default", &isDefault);
        return isDefault;
    }

    std::string ProviderName(GstDevice* device)
    {
        std::string name;
        g_autoptr(GstObject) parent = gst_object_get_parent(GST_OBJECT(device));
        if (parent && GST_IS_DEVICE_PROVIDER(parent))
            if (GstDeviceProviderFactory* factory
                = gst_device_provider_get_factory(GST_DEVICE_PROVIDER(parent)))
                name = GST_OBJECT_NAME(factory);
        return name;
    }

    // Lower is preferred when two providers report the same device: the
    // providers whose elements talk to the device or sound server directly.
    int ProviderRank(GstDevice* device)
    {
        const std::string provider = ProviderName(device);
        if (provider.find("v4l2") != std::string::npos || provider.find("pulse") != std::string::npos)
            return 0;
        if (provider.find("pipewire") != std::string::npos)
            return 2;
        return 1;
    }

    // What identifies the physical device across providers: for a camera its
    // device node (V4L2's device.path, PipeWire's api.v4l2.path), else its bus;
    // for a microphone its node name (PipeWire) or source name (PulseAudio),
    // else the provider's object path or the sound server's device string;
    // else the provider's name and the device's.
    std::string PhysicalKey(GstDevice* device, DeviceKind kind)
    {
        const auto first = [device](std::initializer_list<const char*> keys) {
            for (const char* key : keys) {
                std::string value = PropertyText(device, key);
                if (!value.empty())
                    return value;
            }
            return std::string();
        };
        std::string key = kind == DeviceKind::Video
            ? first({ "device.path", "api.v4l2.path", "v4l2.device.bus_info", "api.v4l2.cap.bus_info" })
            : first({ "node.name" });
        // PulseAudio names a source as PipeWire names its node (the pulse
        // server of a PipeWire desktop is PipeWire itself).
        if (key.empty() && kind == DeviceKind::Audio
            && g_object_class_find_property(G_OBJECT_GET_CLASS(device), "internal-name")) {
            g_autofree gchar* internal = nullptr;
            g_object_get(device, "internal-name", &internal, nullptr);
            key = internal ? internal : "";
        }
        if (key.empty() && kind == DeviceKind::Audio)
            key = first({ "object.path", "device.string" });
        if (!key.empty())
            return key;
        g_autofree gchar* name = gst_device_get_display_name(device);
        return ProviderName(device) + "|" + (name ? name : "");
    }

    bool IsGreyFormat(const GValue* format)
    {
        if (!format || !G_VALUE_HOLDS_STRING(format))
            return false;
        const std::string name = g_value_get_string(format);
        return name == "GRAY8" || name == "GRAY10_LE32" || name == "GRAY16_LE" || name == "GRAY16_BE";
    }

    // The word "IR" in a camera's name, as laptops name their face-login camera.
    bool NameSaysInfrared(const std::string& name)
    {
        for (size_t at = name.find("IR"); at != std::string::npos; at = name.find("IR", at + 1)) {
            const bool startsWord = at == 0 || !std::isalnum(static_cast<unsigned char>(name[at - 1]));
            const bool endsWord
                = at + 2 == name.size() || !std::isalnum(static_cast<unsigned char>(name[at + 2]));
            if (startsWord && endsWord)
                return true;
        }
        return false;
    }

    // A laptop's infrared camera (for face login) offers grey pictures only
    // (GREY, Y10, Y16). One whose formats GStreamer does not know offers no
    // caps at all: its name tells then.
    bool IsInfraredCamera(GstDevice* device, const std::string& name)
    {
        g_autoptr(GstCaps) caps = gst_device_get_caps(device);
        if (!caps || gst_caps_is_any(caps))
            return false;
        if (gst_caps_is_empty(caps))
            return NameSaysInfrared(name);
        for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
            const GstStructure* structure = gst_caps_get_structure(caps, i);
            if (!gst_structure_has_name(structure, "video/x-raw"))
                return false;
            const GValue* format = gst_structure_get_value(structure, "format");
            if (format && GST_VALUE_HOLDS_LIST(format)) {
                for (guint j = 0; j < gst_value_list_get_size(format); ++j)
                    if (!IsGreyFormat(gst_value_list_get_value(format, j)))
                        return false;
            } else if (!IsGreyFormat(format)) {
                return false;
            }
        }
        return true;
    }

} // namespace

std::vector<DeviceEntry> ListDevices(DeviceKind kind)
{
    std::vector<DeviceEntry> list;
    std::map<std::string, size_t> byKey;
    for (GstRef<GstDevice>& device : CurrentDevices(kind)) {
        if (kind == DeviceKind::Audio && IsMonitorSource(device.get()))
            continue;
        g_autofree gchar* name = gst_device_get_display_name(device.get());
        DeviceEntry entry { name ? name : "", device, PhysicalKey(device.get(), kind) };
        auto [found, added] = byKey.emplace(entry.key, list.size());
        if (added)
            list.push_back(std::move(entry));
        else if (ProviderRank(device.get()) < ProviderRank(list[found->second].device.get()))
            list[found->second] = std::move(entry);
    }
    if (kind == DeviceKind::Audio)
        std::stable_partition(
            list.begin(), list.end(), [](const DeviceEntry& entry) { return IsDefault(entry.device.get()); });
    // The first camera is the one opened at start: a colour one, not the
    // infrared camera beside it, which stays listed after every other.
    if (kind == DeviceKind::Video)
        std::stable_partition(list.begin(), list.end(),
            [](const DeviceEntry& entry) { return !IsInfraredCamera(entry.device.get(), entry.name); });
    if (SyntheticDevicesWanted())
        list.push_back({ kind == DeviceKind::Video ? kSyntheticCameraName : kSyntheticMicrophoneName, {},
            kind == DeviceKind::Video ? "synthetic:camera" : "synthetic:microphone" });

    std::map<std::string, int> seen;
    for (DeviceEntry& entry : list)
        if (const int count = ++seen[entry.name]; count > 1)
            entry.name += " (" + std::to_string(count) + ")";
    for (std::size_t i = 0; i < list.size(); ++i)
        GST_DEBUG("%s device %zu: \"%s\" (%s)", kind == DeviceKind::Video ? "video" : "audio", i,
            list[i].name.c_str(), list[i].key.c_str());
    return list;
}

GstElement* CreateSourceElement(const DeviceEntry& entry, DeviceKind kind)
{
    GST_DEBUG("making the source of \"%s\"", entry.name.c_str());
    if (!entry.IsSynthetic())
        return gst_device_create_element(entry.device.get(), nullptr);
    if (kind == DeviceKind::Audio) {
        GstElement* tone = MakeElement("audiotestsrc", nullptr);
        if (tone)
            g_object_set(tone, "is-live", TRUE, "freq", 440.0, "volume", 0.2, nullptr);
        return tone;
    }
    g_autoptr(GError) error = nullptr;
    GstElement* camera = gst_parse_bin_from_description(
        "videotestsrc is-live=true pattern=smpte horizontal-speed=2"
        " ! video/x-raw,format=I420,framerate=30/1 ! timeoverlay font-desc=\"Sans 16\"",
        TRUE, &error);
    if (error)
        GST_ERROR("cannot build the test camera: %s", error->message);
    return camera;
}

std::string DeviceNodePath(const DeviceEntry& entry)
{
    if (entry.IsSynthetic())
        return {};
    for (const char* key : { "device.path", "api.v4l2.path" }) {
        std::string path = PropertyText(entry.device.get(), key);
        if (!path.empty())
            return path;
    }
    return {};
}

} // namespace vidcore
