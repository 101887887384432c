// SPDX-License-Identifier: LGPL-2.1-or-later
#include "device_watch.h"

#include "debug_category.h"
#include "gst_runtime.h"
#include "notices.h"

#include <mutex>

namespace vidcore {

namespace {

    constexpr const char* kVideoClass = "Video/Source";
    constexpr const char* kAudioClass = "Audio/Source";

    GstBusSyncReply OnMonitorMessage(GstBus*, GstMessage* message, gpointer)
    {
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_DEVICE_ADDED:
        case GST_MESSAGE_DEVICE_REMOVED:
        case GST_MESSAGE_DEVICE_CHANGED:
            GST_INFO("%s: %" GST_PTR_FORMAT, GST_MESSAGE_TYPE_NAME(message), message);
            PostNotice(VidcoreNotice::DevicesChanged);
            break;
        default:
            break;
        }
        // A handler that drops a message owns it.
        gst_message_unref(message);
        return GST_BUS_DROP;
    }

    GstDeviceMonitor* Monitor()
    {
        static GstDeviceMonitor* monitor = [] {
            EnsureGstReady();
            // Never stopped: the providers' threads end with the process.
            GstDeviceMonitor* started = gst_device_monitor_new();
            gst_device_monitor_add_filter(started, kVideoClass, nullptr);
            gst_device_monitor_add_filter(started, kAudioClass, nullptr);
            g_autoptr(GstBus) bus = gst_device_monitor_get_bus(started);
            gst_bus_set_sync_handler(bus, OnMonitorMessage, nullptr, nullptr);
            if (!gst_device_monitor_start(started))
                GST_WARNING("the device monitor does not start; devices are listed once");
            return started;
        }();
        return monitor;
    }

} // namespace

std::vector<GstRef<GstDevice>> CurrentDevices(DeviceKind kind)
{
    static std::mutex lock;
    std::lock_guard guard(lock);
    const char* wanted = kind == DeviceKind::Video ? kVideoClass : kAudioClass;
    std::vector<GstRef<GstDevice>> result;
    GList* devices = gst_device_monitor_get_devices(Monitor());
    for (GList* item = devices; item; item = item->next) {
        GstDevice* device = GST_DEVICE(item->data);
        if (gst_device_has_classes(device, wanted))
            result.push_back(GstRef<GstDevice>::Borrow(device));
    }
    g_list_free_full(devices, gst_object_unref);
    return result;
}

} // namespace vidcore
