// SPDX-License-Identifier: GPL-2.0-or-later
// The devices the fake providers list. Each provider's devices carry the
// class, display name, properties structure and object properties that the
// real provider of that kind sets, and create a fakecamsrc or fakemicsrc.
#pragma once

#include "fakecam_registry.h"

#include <gst/gst.h>

G_BEGIN_DECLS

#define GST_TYPE_FAKE_DEVICE (gst_fake_device_get_type())
G_DECLARE_DERIVABLE_TYPE(GstFakeDevice, gst_fake_device, GST, FAKE_DEVICE, GstDevice)

struct _GstFakeDeviceClass {
    GstDeviceClass parent_class;
};

/* As v4l2's GstV4l2Device: "device-path". */
#define GST_TYPE_FAKE_V4L2_DEVICE (gst_fake_v4l2_device_get_type())
G_DECLARE_FINAL_TYPE(GstFakeV4l2Device, gst_fake_v4l2_device, GST, FAKE_V4L2_DEVICE, GstFakeDevice)

/* As PipeWire's GstPipeWireDevice: "id", "serial", "fd". */
#define GST_TYPE_FAKE_PIPEWIRE_DEVICE (gst_fake_pipewire_device_get_type())
G_DECLARE_FINAL_TYPE(
    GstFakePipeWireDevice, gst_fake_pipewire_device, GST, FAKE_PIPEWIRE_DEVICE, GstFakeDevice)

/* As pulse's GstPulseDevice: "internal-name". */
#define GST_TYPE_FAKE_PULSE_DEVICE (gst_fake_pulse_device_get_type())
G_DECLARE_FINAL_TYPE(GstFakePulseDevice, gst_fake_pulse_device, GST, FAKE_PULSE_DEVICE, GstFakeDevice)

G_END_DECLS

/* A new floating device for one configured device. */
GstDevice* gst_fake_device_new(const fakecam::DeviceConfig& config);

const gchar* gst_fake_device_get_group(GstFakeDevice* device);
/* The configuration keys the device was listed with. */
const gchar* gst_fake_device_get_description(GstFakeDevice* device);
gboolean gst_fake_device_is_default(GstFakeDevice* device);
