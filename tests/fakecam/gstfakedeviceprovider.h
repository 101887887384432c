// SPDX-License-Identifier: GPL-2.0-or-later
// Three device providers, one per real provider a desktop may have
// (video4linux2, PipeWire, PulseAudio), each listing the key file's devices
// of its kind and posting device-added, -removed and -changed while started.
#pragma once

#include "fakecam_registry.h"

#include <gst/gst.h>

G_BEGIN_DECLS

#define GST_TYPE_FAKE_DEVICE_PROVIDER (gst_fake_device_provider_get_type())
G_DECLARE_DERIVABLE_TYPE(
    GstFakeDeviceProvider, gst_fake_device_provider, GST, FAKE_DEVICE_PROVIDER, GstDeviceProvider)

struct _GstFakeDeviceProviderClass {
    GstDeviceProviderClass parent_class;
    fakecam::ProviderKind kind;
};

#define GST_TYPE_FAKE_V4L2_DEVICE_PROVIDER (gst_fake_v4l2_device_provider_get_type())
G_DECLARE_FINAL_TYPE(GstFakeV4l2DeviceProvider, gst_fake_v4l2_device_provider, GST, FAKE_V4L2_DEVICE_PROVIDER,
    GstFakeDeviceProvider)

#define GST_TYPE_FAKE_PIPEWIRE_DEVICE_PROVIDER (gst_fake_pipewire_device_provider_get_type())
G_DECLARE_FINAL_TYPE(GstFakePipeWireDeviceProvider, gst_fake_pipewire_device_provider, GST,
    FAKE_PIPEWIRE_DEVICE_PROVIDER, GstFakeDeviceProvider)

#define GST_TYPE_FAKE_PULSE_DEVICE_PROVIDER (gst_fake_pulse_device_provider_get_type())
G_DECLARE_FINAL_TYPE(GstFakePulseDeviceProvider, gst_fake_pulse_device_provider, GST,
    FAKE_PULSE_DEVICE_PROVIDER, GstFakeDeviceProvider)

G_END_DECLS
