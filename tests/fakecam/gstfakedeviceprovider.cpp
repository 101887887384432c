// SPDX-License-Identifier: GPL-2.0-or-later
#include "gstfakedeviceprovider.h"

#include "gstfakedevice.h"

#include <vector>

GST_DEBUG_CATEGORY_STATIC(gst_fake_device_provider_debug);
#define GST_CAT_DEFAULT gst_fake_device_provider_debug

struct GstFakeDeviceProviderPrivate {
    int listener_id;
};

G_DEFINE_TYPE_WITH_PRIVATE(GstFakeDeviceProvider, gst_fake_device_provider, GST_TYPE_DEVICE_PROVIDER)

static fakecam::ProviderKind provider_kind(GstFakeDeviceProvider* self)
{
    return GST_FAKE_DEVICE_PROVIDER_GET_CLASS(self)->kind;
}

static GList* gst_fake_device_provider_probe(GstDeviceProvider* provider)
{
    GList* devices = nullptr;
    for (const fakecam::DeviceConfig& config :
        fakecam::Registry::Instance().PresentDevices(provider_kind(GST_FAKE_DEVICE_PROVIDER(provider))))
        devices = g_list_prepend(devices, gst_fake_device_new(config));
    return g_list_reverse(devices);
}

/* PipeWire hides the providers whose devices it lists itself, from the
 * object path of each node it sees. */
static void gst_fake_device_provider_hide_others(
    GstDeviceProvider* provider, const fakecam::DeviceConfig& config)
{
    if (!config.hidesProviders)
        return;
    gst_device_provider_hide_provider(
        provider, config.IsAudio() ? "fakepulsedeviceprovider" : "fakev4l2deviceprovider");
}

/* Brings the posted devices in line with the key file: at start and after
 * every change, one call at a time. */
static void gst_fake_device_provider_sync(GstFakeDeviceProvider* self)
{
    GstDeviceProvider* provider = GST_DEVICE_PROVIDER(self);
    std::vector<fakecam::DeviceConfig> wanted
        = fakecam::Registry::Instance().PresentDevices(provider_kind(self));
    std::vector<bool> listed(wanted.size(), false);

    GList* current = nullptr;
    GST_OBJECT_LOCK(self);
    for (GList* item = provider->devices; item; item = item->next)
        current = g_list_prepend(current, gst_object_ref(item->data));
    GST_OBJECT_UNLOCK(self);

    for (GList* item = current; item; item = item->next) {
        GstFakeDevice* device = GST_FAKE_DEVICE(item->data);
        const gchar* group = gst_fake_device_get_group(device);
        size_t i = 0;
        while (i < wanted.size() && wanted[i].group != group)
            ++i;

        if (i == wanted.size()) {
            GST_INFO_OBJECT(self, "device %s removed", group);
            gst_device_provider_device_remove(provider, GST_DEVICE(device));
            continue;
        }
        listed[i] = true;
        if (wanted[i].description != gst_fake_device_get_description(device)) {
            GST_INFO_OBJECT(self, "device %s changed its description: listed anew", group);
            gst_device_provider_device_remove(provider, GST_DEVICE(device));
            gst_device_provider_device_add(provider, gst_fake_device_new(wanted[i]));
        } else if (bool(gst_fake_device_is_default(device)) != wanted[i].isDefault
            && provider_kind(self) == fakecam::ProviderKind::Pulse) {
            /* As pulse does when the server's default source changes. */
            GST_INFO_OBJECT(self, "device %s is-default now %d", group, wanted[i].isDefault);
            gst_device_provider_device_changed(provider, gst_fake_device_new(wanted[i]), GST_DEVICE(device));
        }
    }
    g_list_free_full(current, gst_object_unref);

    for (size_t i = 0; i < wanted.size(); ++i) {
        if (listed[i])
            continue;
        GST_INFO_OBJECT(self, "device %s added", wanted[i].group.c_str());
        gst_fake_device_provider_hide_others(provider, wanted[i]);
        gst_device_provider_device_add(provider, gst_fake_device_new(wanted[i]));
    }
}

static gboolean gst_fake_device_provider_start(GstDeviceProvider* provider)
{
    GstFakeDeviceProvider* self = GST_FAKE_DEVICE_PROVIDER(provider);
    auto* priv
        = static_cast<GstFakeDeviceProviderPrivate*>(gst_fake_device_provider_get_instance_private(self));

    priv->listener_id
        = fakecam::Registry::Instance().AddListener([self] { gst_fake_device_provider_sync(self); });
    return TRUE;
}

static void gst_fake_device_provider_stop(GstDeviceProvider* provider)
{
    GstFakeDeviceProvider* self = GST_FAKE_DEVICE_PROVIDER(provider);
    auto* priv
        = static_cast<GstFakeDeviceProviderPrivate*>(gst_fake_device_provider_get_instance_private(self));

    fakecam::Registry::Instance().RemoveListener(priv->listener_id);
    priv->listener_id = 0;
}

static void gst_fake_device_provider_class_init(GstFakeDeviceProviderClass* klass)
{
    GstDeviceProviderClass* provider_class = GST_DEVICE_PROVIDER_CLASS(klass);

    provider_class->probe = GST_DEBUG_FUNCPTR(gst_fake_device_provider_probe);
    provider_class->start = GST_DEBUG_FUNCPTR(gst_fake_device_provider_start);
    provider_class->stop = GST_DEBUG_FUNCPTR(gst_fake_device_provider_stop);

    GST_DEBUG_CATEGORY_INIT(gst_fake_device_provider_debug, "fakedeviceprovider", 0, "Fake device providers");
}

static void gst_fake_device_provider_init(GstFakeDeviceProvider* self)
{
    auto* priv
        = static_cast<GstFakeDeviceProviderPrivate*>(gst_fake_device_provider_get_instance_private(self));
    priv->listener_id = 0;
}

/* The three kinds, with the metadata of the providers they stand in for; the
 * class strings decide which monitor filters pick them. */

struct _GstFakeV4l2DeviceProvider {
    GstFakeDeviceProvider parent;
};
G_DEFINE_TYPE(GstFakeV4l2DeviceProvider, gst_fake_v4l2_device_provider, GST_TYPE_FAKE_DEVICE_PROVIDER)

static void gst_fake_v4l2_device_provider_class_init(GstFakeV4l2DeviceProviderClass* klass)
{
    GST_FAKE_DEVICE_PROVIDER_CLASS(klass)->kind = fakecam::ProviderKind::V4l2;
    gst_device_provider_class_set_static_metadata(GST_DEVICE_PROVIDER_CLASS(klass),
        "Fake Video (video4linux2) Device Provider", "Source/Sink/Video",
        "Lists the FAKECAM_DEVICES cameras as the video4linux2 provider would", "Glimview developers");
}

static void gst_fake_v4l2_device_provider_init(GstFakeV4l2DeviceProvider*) { }

struct _GstFakePipeWireDeviceProvider {
    GstFakeDeviceProvider parent;
};
G_DEFINE_TYPE(GstFakePipeWireDeviceProvider, gst_fake_pipewire_device_provider, GST_TYPE_FAKE_DEVICE_PROVIDER)

static void gst_fake_pipewire_device_provider_class_init(GstFakePipeWireDeviceProviderClass* klass)
{
    GST_FAKE_DEVICE_PROVIDER_CLASS(klass)->kind = fakecam::ProviderKind::PipeWire;
    gst_device_provider_class_set_static_metadata(GST_DEVICE_PROVIDER_CLASS(klass),
        "Fake PipeWire Device Provider", "Sink/Source/Audio/Video",
        "Lists the FAKECAM_DEVICES nodes as the PipeWire provider would", "Glimview developers");
}

static void gst_fake_pipewire_device_provider_init(GstFakePipeWireDeviceProvider*) { }

struct _GstFakePulseDeviceProvider {
    GstFakeDeviceProvider parent;
};
G_DEFINE_TYPE(GstFakePulseDeviceProvider, gst_fake_pulse_device_provider, GST_TYPE_FAKE_DEVICE_PROVIDER)

static void gst_fake_pulse_device_provider_class_init(GstFakePulseDeviceProviderClass* klass)
{
    GST_FAKE_DEVICE_PROVIDER_CLASS(klass)->kind = fakecam::ProviderKind::Pulse;
    gst_device_provider_class_set_static_metadata(GST_DEVICE_PROVIDER_CLASS(klass),
        "Fake PulseAudio Device Provider", "Sink/Source/Audio",
        "Lists the FAKECAM_DEVICES sources as the PulseAudio provider would", "Glimview developers");
}

static void gst_fake_pulse_device_provider_init(GstFakePulseDeviceProvider*) { }
