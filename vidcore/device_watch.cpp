// SPDX-License-Identifier: LGPL-2.1-or-later
#include "device_watch.h"

#include "debug_category.h"
#include "gst_runtime.h"
#include "notices.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace vidcore {

namespace {

    constexpr const char* kVideoClass = "Video/Source";
    constexpr const char* kAudioClass = "Audio/Source";

    // Raised by every device message: the kept listing is stale. Atomic, not
    // under the listing's lock: providers post while holding their own locks,
    // which a listing takes.
    std::atomic<uint64_t> deviceChanges { 0 };

    GstBusSyncReply OnMonitorMessage(GstBus*, GstMessage* message, gpointer)
    {
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_DEVICE_ADDED:
        case GST_MESSAGE_DEVICE_REMOVED:
        case GST_MESSAGE_DEVICE_CHANGED:
            GST_INFO("%s: %" GST_PTR_FORMAT, GST_MESSAGE_TYPE_NAME(message), message);
            deviceChanges.fetch_add(1);
            PostNotice(VidcoreNotice::DevicesChanged);
            break;
        default:
            break;
        }
        // A handler that drops a message owns it.
        gst_message_unref(message);
        return GST_BUS_DROP;
    }

    using DeviceList = std::vector<GstRef<GstDevice>>;

    DeviceList TakeList(GList* devices)
    {
        DeviceList result;
        for (GList* item = devices; item; item = item->next)
            result.emplace_back(GST_DEVICE(item->data));
        g_list_free(devices);
        return result;
    }

    // The monitor and what its providers listed. gst_device_monitor_get_devices
    // is not used: it asks a provider that failed to start (PulseAudio without
    // a sound server) to probe again at every call, and such a probe leaves
    // its connection's descriptors behind. A started provider keeps its
    // devices up to date itself and answers from that list.
    struct Watch {
        GstDeviceMonitor* monitor = nullptr;
        std::vector<GstRef<GstDeviceProvider>> providers; // the monitor's, in its order
        // What the providers that could not start found once, at the start.
        std::map<GstDeviceProvider*, DeviceList> probed;
        std::mutex lock; // guards the listing below
        DeviceList devices;
        bool listed = false;
        uint64_t listedAt = 0; // deviceChanges when it was made
    };

    Watch& TheWatch()
    {
        static Watch* watch = [] {
            EnsureGstReady();
            // Never stopped: the providers' threads end with the process.
            auto* made = new Watch;
            made->monitor = gst_device_monitor_new();
            gst_device_monitor_add_filter(made->monitor, kVideoClass, nullptr);
            gst_device_monitor_add_filter(made->monitor, kAudioClass, nullptr);
            g_autoptr(GstBus) bus = gst_device_monitor_get_bus(made->monitor);
            gst_bus_set_sync_handler(bus, OnMonitorMessage, nullptr, nullptr);
            if (!gst_device_monitor_start(made->monitor))
                GST_WARNING("the device monitor does not start; devices are listed once");
            g_auto(GStrv) names = gst_device_monitor_get_providers(made->monitor);
            for (gchar** name = names; name && *name; ++name) {
                GstRef<GstDeviceProvider> provider(gst_device_provider_factory_get_by_name(*name));
                if (!provider)
                    continue;
                if (!gst_device_provider_is_started(provider.get())) {
                    GST_INFO("device provider %s does not start; its devices are listed once", *name);
                    made->probed[provider.get()] = TakeList(gst_device_provider_get_devices(provider.get()));
                }
                made->providers.push_back(std::move(provider));
            }
            return made;
        }();
        return *watch;
    }

    // As the monitor would list them: every provider another one does not
    // hide (PipeWire hides V4L2 and PulseAudio when it sees their devices), in
    // the monitor's order, devices of the filters' classes with any caps.
    DeviceList ListFromProviders(const Watch& watch)
    {
        std::set<std::string> hidden;
        for (const auto& provider : watch.providers) {
            g_auto(GStrv) hides = gst_device_provider_get_hidden_providers(provider.get());
            for (gchar** name = hides; name && *name; ++name)
                hidden.insert(*name);
        }
        DeviceList result;
        for (const auto& provider : watch.providers) {
            GstDeviceProviderFactory* factory = gst_device_provider_get_factory(provider.get());
            if (factory && hidden.count(GST_OBJECT_NAME(factory)))
                continue;
            const auto probed = watch.probed.find(provider.get());
            const DeviceList devices = probed != watch.probed.end()
                ? probed->second
                : TakeList(gst_device_provider_get_devices(provider.get()));
            for (const auto& device : devices) {
                g_autoptr(GstCaps) caps = gst_device_get_caps(device.get());
                const bool wanted = gst_device_has_classes(device.get(), kVideoClass)
                    || gst_device_has_classes(device.get(), kAudioClass);
                if (wanted && caps && !gst_caps_is_empty(caps))
                    result.push_back(device);
            }
        }
        return result;
    }

} // namespace

std::vector<GstRef<GstDevice>> CurrentDevices(DeviceKind kind)
{
    Watch& watch = TheWatch();
    std::lock_guard guard(watch.lock);
    const uint64_t changes = deviceChanges.load();
    if (!watch.listed || watch.listedAt != changes) {
        watch.devices = ListFromProviders(watch);
        watch.listed = true;
        watch.listedAt = changes;
    }
    const char* wanted = kind == DeviceKind::Video ? kVideoClass : kAudioClass;
    std::vector<GstRef<GstDevice>> result;
    for (const auto& device : watch.devices)
        if (gst_device_has_classes(device.get(), wanted))
            result.push_back(device);
    return result;
}

} // namespace vidcore
