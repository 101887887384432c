// SPDX-License-Identifier: GPL-2.0-or-later
#include "gstfakedevice.h"

#include <string>

namespace {

/* What a 6.1 kernel's uvcvideo reports. */
constexpr guint kV4l2Version = 0x060100;
constexpr guint kV4l2Capabilities = 0x84a00001;
constexpr guint kV4l2DeviceCaps = 0x04200001;

/* PipeWire numbers its objects; real ids start low, serials grow for ever. */
guint32 next_pipewire_id = 40;
guint64 next_pipewire_serial = 100;
GMutex pipewire_numbers_lock;

/* udev's ID_PATH for a bus-info such as "usb-0000:00:14.0-1" or
 * "platform:vivid-000". */
std::string udev_bus_path(const std::string& bus_info)
{
    if (g_str_has_prefix(bus_info.c_str(), "usb-")) {
        std::string rest = bus_info.substr(4);
        const auto dash = rest.rfind('-');
        if (dash != std::string::npos)
            return "pci-" + rest.substr(0, dash) + "-usb-0:" + rest.substr(dash + 1) + ":1.0";
    }
    if (g_str_has_prefix(bus_info.c_str(), "platform:"))
        return "platform-" + bus_info.substr(9);
    return "platform-" + bus_info;
}

/* udev's ID_BUS. */
std::string udev_bus(const std::string& bus_info)
{
    if (g_str_has_prefix(bus_info.c_str(), "usb-"))
        return "usb";
    return g_str_has_prefix(bus_info.c_str(), "platform:") ? "platform" : "pci";
}

std::string pipewire_name_part(std::string text)
{
    for (char& c : text) {
        if (c == ':')
            c = '_';
    }
    return text;
}

std::string device_path(const fakecam::DeviceConfig& config)
{
    return config.path.empty() ? "/dev/fakecam-" + config.group : config.path;
}

void set_string(GstStructure* props, const char* key, const std::string& value)
{
    gst_structure_set(props, key, G_TYPE_STRING, value.c_str(), nullptr);
}

GstStructure* v4l2_properties(const fakecam::DeviceConfig& config)
{
    const std::string path = device_path(config);
    const std::string bus_path = udev_bus_path(config.busInfo);
    GstStructure* props
        = gst_structure_new("v4l2deviceprovider", "udev-probed", G_TYPE_BOOLEAN, TRUE, nullptr);
    set_string(props, "device.bus_path", bus_path);
    set_string(
        props, "sysfs.path", "/sys/devices/" + bus_path + "/video4linux/" + path.substr(path.rfind('/') + 1));
    set_string(props, "device.bus", udev_bus(config.busInfo));
    set_string(props, "device.subsystem", "video4linux");
    set_string(props, "device.product.name", config.name);
    set_string(props, "device.capabilities", ":capture:");
    set_string(props, "device.api", "v4l2");
    set_string(props, "device.path", path);
    set_string(props, "v4l2.device.driver", "uvcvideo");
    set_string(props, "v4l2.device.card", config.name);
    set_string(props, "v4l2.device.bus_info", config.busInfo);
    gst_structure_set(props, "v4l2.device.version", G_TYPE_UINT, kV4l2Version, "v4l2.device.capabilities",
        G_TYPE_UINT, kV4l2Capabilities, "v4l2.device.device_caps", G_TYPE_UINT, kV4l2DeviceCaps, nullptr);
    return props;
}

GstStructure* pipewire_properties(const fakecam::DeviceConfig& config, guint32 id, guint64 serial)
{
    GstStructure* props = gst_structure_new_empty("pipewire-proplist");
    set_string(props, "object.id", std::to_string(id));
    set_string(props, "object.serial", std::to_string(serial));
    set_string(props, "media.class", config.deviceClass);
    set_string(props, "node.description", config.name);
    set_string(props, "node.nick", config.name);
    if (config.IsAudio()) {
        const std::string alsa_path = config.path.empty() ? "front:" + config.group : config.path;
        set_string(props, "object.path", "alsa:pcm:" + config.group + ":" + alsa_path + ":capture");
        set_string(props, "api.alsa.path", alsa_path);
        set_string(props, "device.api", "alsa");
        set_string(props, "device.class", "sound");
        set_string(props, "factory.name", "api.alsa.pcm.source");
        set_string(props, "node.name",
            config.internalName.empty() ? "alsa_input." + config.group + ".analog-stereo"
                                        : config.internalName);
        set_string(props, "priority.session", "2000");
    } else {
        const std::string path = device_path(config);
        set_string(props, "object.path", "v4l2:" + path);
        set_string(props, "api.v4l2.path", path);
        set_string(props, "api.v4l2.cap.bus_info", config.busInfo);
        set_string(props, "api.v4l2.cap.card", config.name);
        set_string(props, "api.v4l2.cap.driver", "uvcvideo");
        set_string(props, "device.api", "v4l2");
        set_string(props, "media.role", "Camera");
        set_string(props, "factory.name", "api.v4l2.source");
        set_string(props, "node.name",
            config.internalName.empty() ? "v4l2_input." + pipewire_name_part(udev_bus_path(config.busInfo))
                                        : config.internalName);
        set_string(props, "priority.session", "1000");
    }
    return props;
}

std::string pulse_internal_name(const fakecam::DeviceConfig& config)
{
    return config.internalName.empty() ? "alsa_input." + config.group + ".analog-stereo"
                                       : config.internalName;
}

/* Pulse hands over the source's proplist as strings and adds "is-default". */
GstStructure* pulse_properties(const fakecam::DeviceConfig& config)
{
    GstStructure* props = gst_structure_new_empty("pulse-proplist");
    set_string(props, "device.api", "alsa");
    set_string(props, "device.class", "sound");
    set_string(props, "device.description", config.name);
    set_string(props, "device.string", config.path.empty() ? "front:" + config.group : config.path);
    set_string(props, "device.product.name", config.name);
    set_string(props, "device.icon_name", "audio-input-microphone");
    set_string(props, "device.profile.name", "analog-stereo");
    set_string(props, "device.bus_path", udev_bus_path(config.busInfo));
    set_string(props, "device.bus", udev_bus(config.busInfo));
    set_string(props, "alsa.card_name", config.name);
    return props;
}

} // namespace

/* GstFakeDevice */

struct GstFakeDevicePrivate {
    gchar* group;
    gchar* description;
    const gchar* element;
    gboolean is_default;
};

G_DEFINE_TYPE_WITH_PRIVATE(GstFakeDevice, gst_fake_device, GST_TYPE_DEVICE)

static GstElement* gst_fake_device_create_element(GstDevice* device, const gchar* name)
{
    GstFakeDevicePrivate* priv
        = static_cast<GstFakeDevicePrivate*>(gst_fake_device_get_instance_private(GST_FAKE_DEVICE(device)));
    GstElement* element = gst_element_factory_make(priv->element, name);
    if (element)
        g_object_set(element, "device", priv->group, nullptr);
    return element;
}

static gboolean gst_fake_device_reconfigure_element(GstDevice* device, GstElement* element)
{
    GstFakeDevicePrivate* priv
        = static_cast<GstFakeDevicePrivate*>(gst_fake_device_get_instance_private(GST_FAKE_DEVICE(device)));
    GstElementFactory* factory = gst_element_get_factory(element);
    if (!factory || g_strcmp0(GST_OBJECT_NAME(factory), priv->element) != 0)
        return FALSE;
    g_object_set(element, "device", priv->group, nullptr);
    return TRUE;
}

static void gst_fake_device_finalize(GObject* object)
{
    GstFakeDevicePrivate* priv
        = static_cast<GstFakeDevicePrivate*>(gst_fake_device_get_instance_private(GST_FAKE_DEVICE(object)));
    g_free(priv->group);
    g_free(priv->description);
    G_OBJECT_CLASS(gst_fake_device_parent_class)->finalize(object);
}

static void gst_fake_device_class_init(GstFakeDeviceClass* klass)
{
    GstDeviceClass* device_class = GST_DEVICE_CLASS(klass);
    G_OBJECT_CLASS(klass)->finalize = gst_fake_device_finalize;
    device_class->create_element = gst_fake_device_create_element;
    device_class->reconfigure_element = gst_fake_device_reconfigure_element;
}

static void gst_fake_device_init(GstFakeDevice*) { }

const gchar* gst_fake_device_get_group(GstFakeDevice* device)
{
    return static_cast<GstFakeDevicePrivate*>(gst_fake_device_get_instance_private(device))->group;
}

const gchar* gst_fake_device_get_description(GstFakeDevice* device)
{
    return static_cast<GstFakeDevicePrivate*>(gst_fake_device_get_instance_private(device))->description;
}

gboolean gst_fake_device_is_default(GstFakeDevice* device)
{
    return static_cast<GstFakeDevicePrivate*>(gst_fake_device_get_instance_private(device))->is_default;
}

/* The video4linux2 and PulseAudio devices each add one construct-only
 * string: the device node's path, the source's internal name. */

enum {
    PROP_STRING_0,
    PROP_STRING,
};

struct _GstFakeV4l2Device {
    GstFakeDevice parent;
    gchar* value; /* device-path */
};

struct _GstFakePulseDevice {
    GstFakeDevice parent;
    gchar* value; /* internal-name */
};

template <typename Device>
static void string_device_set_property(GObject* object, guint prop_id, const GValue* value, GParamSpec* pspec)
{
    Device* device = reinterpret_cast<Device*>(object);
    if (prop_id != PROP_STRING) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, prop_id, pspec);
        return;
    }
    g_free(device->value);
    device->value = g_value_dup_string(value);
}

template <typename Device>
static void string_device_get_property(GObject* object, guint prop_id, GValue* value, GParamSpec* pspec)
{
    if (prop_id != PROP_STRING) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, prop_id, pspec);
        return;
    }
    g_value_set_string(value, reinterpret_cast<Device*>(object)->value);
}

template <typename Device> static void string_device_finalize(GObject* object)
{
    g_free(reinterpret_cast<Device*>(object)->value);
    G_OBJECT_CLASS(g_type_class_peek(GST_TYPE_FAKE_DEVICE))->finalize(object);
}

template <typename Device>
static void string_device_class_init(
    GObjectClass* object_class, const char* name, const char* nick, const char* blurb)
{
    object_class->set_property = string_device_set_property<Device>;
    object_class->get_property = string_device_get_property<Device>;
    object_class->finalize = string_device_finalize<Device>;
    g_object_class_install_property(object_class, PROP_STRING,
        g_param_spec_string(name, nick, blurb, "",
            static_cast<GParamFlags>(G_PARAM_STATIC_STRINGS | G_PARAM_READWRITE | G_PARAM_CONSTRUCT_ONLY)));
}

G_DEFINE_TYPE(GstFakeV4l2Device, gst_fake_v4l2_device, GST_TYPE_FAKE_DEVICE)

static void gst_fake_v4l2_device_class_init(GstFakeV4l2DeviceClass* klass)
{
    string_device_class_init<GstFakeV4l2Device>(
        G_OBJECT_CLASS(klass), "device-path", "Device Path", "The Path of the device node");
}

static void gst_fake_v4l2_device_init(GstFakeV4l2Device* device) { device->value = nullptr; }

G_DEFINE_TYPE(GstFakePulseDevice, gst_fake_pulse_device, GST_TYPE_FAKE_DEVICE)

static void gst_fake_pulse_device_class_init(GstFakePulseDeviceClass* klass)
{
    string_device_class_init<GstFakePulseDevice>(G_OBJECT_CLASS(klass), "internal-name",
        "Internal PulseAudio device name", "The internal name of the PulseAudio device");
}

static void gst_fake_pulse_device_init(GstFakePulseDevice* device) { device->value = nullptr; }

/* GstFakePipeWireDevice */

enum {
    PROP_PIPEWIRE_0,
    PROP_PIPEWIRE_ID,
    PROP_PIPEWIRE_SERIAL,
    PROP_PIPEWIRE_FD,
};

struct _GstFakePipeWireDevice {
    GstFakeDevice parent;
    guint id;
    guint64 serial;
    gint fd;
};

G_DEFINE_TYPE(GstFakePipeWireDevice, gst_fake_pipewire_device, GST_TYPE_FAKE_DEVICE)

static void gst_fake_pipewire_device_set_property(
    GObject* object, guint prop_id, const GValue* value, GParamSpec* pspec)
{
    GstFakePipeWireDevice* device = GST_FAKE_PIPEWIRE_DEVICE(object);
    switch (prop_id) {
    case PROP_PIPEWIRE_ID:
        device->id = g_value_get_uint(value);
        break;
    case PROP_PIPEWIRE_SERIAL:
        device->serial = g_value_get_uint64(value);
        break;
    case PROP_PIPEWIRE_FD:
        device->fd = g_value_get_int(value);
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, prop_id, pspec);
        break;
    }
}

static void gst_fake_pipewire_device_get_property(
    GObject* object, guint prop_id, GValue* value, GParamSpec* pspec)
{
    GstFakePipeWireDevice* device = GST_FAKE_PIPEWIRE_DEVICE(object);
    switch (prop_id) {
    case PROP_PIPEWIRE_ID:
        g_value_set_uint(value, device->id);
        break;
    case PROP_PIPEWIRE_SERIAL:
        g_value_set_uint64(value, device->serial);
        break;
    case PROP_PIPEWIRE_FD:
        g_value_set_int(value, device->fd);
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, prop_id, pspec);
        break;
    }
}

static void gst_fake_pipewire_device_class_init(GstFakePipeWireDeviceClass* klass)
{
    GObjectClass* object_class = G_OBJECT_CLASS(klass);
    const auto flags
        = static_cast<GParamFlags>(G_PARAM_STATIC_STRINGS | G_PARAM_READWRITE | G_PARAM_CONSTRUCT_ONLY);
    object_class->set_property = gst_fake_pipewire_device_set_property;
    object_class->get_property = gst_fake_pipewire_device_get_property;
    g_object_class_install_property(object_class, PROP_PIPEWIRE_ID,
        g_param_spec_uint(
            "id", "Id", "The internal id of the PipeWire device", 0, G_MAXUINT32, G_MAXUINT32, flags));
    g_object_class_install_property(object_class, PROP_PIPEWIRE_SERIAL,
        g_param_spec_uint64("serial", "Serial", "The internal serial of the PipeWire device", 0, G_MAXUINT64,
            G_MAXUINT32, flags));
    g_object_class_install_property(object_class, PROP_PIPEWIRE_FD,
        g_param_spec_int("fd", "Fd", "The fd to connect with", -1, G_MAXINT, -1, flags));
}

static void gst_fake_pipewire_device_init(GstFakePipeWireDevice* device)
{
    device->id = G_MAXUINT32;
    device->serial = G_MAXUINT32;
    device->fd = -1;
}

GstDevice* gst_fake_device_new(const fakecam::DeviceConfig& config)
{
    GstCaps* caps = gst_caps_from_string(config.caps.c_str());
    if (!caps)
        caps = gst_caps_new_empty();
    GstStructure* props = nullptr;
    GstDevice* device = nullptr;

    switch (config.provider) {
    case fakecam::ProviderKind::V4l2:
        props = v4l2_properties(config);
        break;
    case fakecam::ProviderKind::PipeWire: {
        g_mutex_lock(&pipewire_numbers_lock);
        const guint32 id = next_pipewire_id++;
        const guint64 serial = next_pipewire_serial++;
        g_mutex_unlock(&pipewire_numbers_lock);
        props = pipewire_properties(config, id, serial);
        for (const auto& [key, value] : config.extraProperties)
            set_string(props, key.c_str(), value);
        device = GST_DEVICE(g_object_new(GST_TYPE_FAKE_PIPEWIRE_DEVICE, "display-name", config.name.c_str(),
            "caps", caps, "device-class", config.deviceClass.c_str(), "properties", props, "id", id, "serial",
            serial, "fd", -1, nullptr));
        break;
    }
    case fakecam::ProviderKind::Pulse:
        props = pulse_properties(config);
        break;
    }

    if (config.provider != fakecam::ProviderKind::PipeWire) {
        for (const auto& [key, value] : config.extraProperties)
            set_string(props, key.c_str(), value);
    }
    if (config.provider == fakecam::ProviderKind::V4l2) {
        device = GST_DEVICE(g_object_new(GST_TYPE_FAKE_V4L2_DEVICE, "display-name", config.name.c_str(),
            "caps", caps, "device-class", config.deviceClass.c_str(), "properties", props, "device-path",
            device_path(config).c_str(), nullptr));
    } else if (config.provider == fakecam::ProviderKind::Pulse) {
        gst_structure_set(props, "is-default", G_TYPE_BOOLEAN, gboolean(config.isDefault), nullptr);
        device = GST_DEVICE(g_object_new(GST_TYPE_FAKE_PULSE_DEVICE, "display-name", config.name.c_str(),
            "caps", caps, "device-class", config.deviceClass.c_str(), "properties", props, "internal-name",
            pulse_internal_name(config).c_str(), nullptr));
    }
    gst_structure_free(props);
    gst_caps_unref(caps);

    GstFakeDevicePrivate* priv
        = static_cast<GstFakeDevicePrivate*>(gst_fake_device_get_instance_private(GST_FAKE_DEVICE(device)));
    priv->group = g_strdup(config.group.c_str());
    priv->description = g_strdup(config.description.c_str());
    priv->element = config.IsAudio() ? "fakemicsrc" : "fakecamsrc";
    priv->is_default = config.isDefault;
    return device;
}
