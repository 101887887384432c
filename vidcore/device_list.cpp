// SPDX-License-Identifier: LGPL-2.1-or-later
#include "device_list.h"

#include "gst_runtime.h"

#include <cstdlib>
#include <initializer_list>
#include <cstring>
#include <set>

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
    GstStructure* props = gst_device_get_properties(device);
    if (!props)
        return {};
    const char* value = gst_structure_get_string(props, key);
    std::string text = value ? value : "";
    gst_structure_free(props);
    return text;
}

// PulseAudio lists the loopback of every output as a source too; those are
// not microphones.
bool IsMonitorSource(GstDevice* device)
{
    return PropertyText(device, "device.class") == "monitor";
}

// Providers may report one device more than once (PulseAudio and ALSA, or a
// device seen at start and again as "added"); a name and identity pair is
// listed once.
std::string IdentityOf(GstDevice* device)
{
    g_autofree gchar* name = gst_device_get_display_name(device);
    std::string identity = name ? name : "";
    for (const char* key : {"device.path", "api.v4l2.path", "udev-probed", "device.string", "object.path"})
        identity += "|" + PropertyText(device, key);
    return identity;
}

}  // namespace

std::vector<DeviceEntry> ListDevices(DeviceKind kind)
{
    EnsureGstReady();
    std::vector<DeviceEntry> list;
    GstRef<GstDeviceMonitor> monitor(gst_device_monitor_new());
    gst_device_monitor_add_filter(monitor.get(), kind == DeviceKind::Video ? "Video/Source" : "Audio/Source", nullptr);
    GList* devices = gst_device_monitor_get_devices(monitor.get());
    std::set<std::string> seen;
    for (GList* item = devices; item; item = item->next) {
        GstDevice* device = GST_DEVICE(item->data);
        if (kind == DeviceKind::Audio && IsMonitorSource(device))
            continue;
        if (!seen.insert(IdentityOf(device)).second)
            continue;
        g_autofree gchar* name = gst_device_get_display_name(device);
        list.push_back({name ? name : "", GstRef<GstDevice>::Borrow(device)});
    }
    g_list_free_full(devices, gst_object_unref);
    if (SyntheticDevicesWanted())
        list.push_back({kind == DeviceKind::Video ? kSyntheticCameraName : kSyntheticMicrophoneName, {}});
    return list;
}

GstElement* CreateSourceElement(const DeviceEntry& entry, DeviceKind kind)
{
    if (!entry.IsSynthetic())
        return gst_device_create_element(entry.device.get(), nullptr);
    if (kind == DeviceKind::Audio) {
        GstElement* tone = gst_element_factory_make("audiotestsrc", nullptr);
        if (tone)
            g_object_set(tone, "is-live", TRUE, "freq", 440.0, "volume", 0.2, nullptr);
        return tone;
    }
    GError* error = nullptr;
    GstElement* camera = gst_parse_bin_from_description(
        "videotestsrc is-live=true pattern=smpte horizontal-speed=2"
        " ! video/x-raw,format=I420,framerate=30/1 ! timeoverlay font-desc=\"Sans 16\"",
        TRUE, &error);
    if (error) {
        g_printerr("vidcore: cannot build the test camera: %s\n", error->message);
        g_clear_error(&error);
    }
    return camera;
}

std::string DeviceNodePath(const DeviceEntry& entry)
{
    if (entry.IsSynthetic())
        return {};
    for (const char* key : {"device.path", "api.v4l2.path"}) {
        std::string path = PropertyText(entry.device.get(), key);
        if (!path.empty())
            return path;
    }
    return {};
}

}  // namespace vidcore
