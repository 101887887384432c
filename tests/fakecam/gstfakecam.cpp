// SPDX-License-Identifier: GPL-2.0-or-later
/* The fakecam plugin: cameras and microphones for tests, described by the key
 * file that FAKECAM_DEVICES names, with three device providers standing in
 * for video4linux2, PipeWire and PulseAudio. Never installed; tests put its
 * folder in GST_PLUGIN_PATH. */
#include "fakecam_registry.h"
#include "gstfakecamsrc.h"
#include "gstfakedeviceprovider.h"
#include "gstfakemicsrc.h"

#include <gmodule.h>
#include <gst/gst.h>

#include <string>

static gboolean plugin_init(GstPlugin* plugin)
{
    return gst_element_register(plugin, "fakecamsrc", GST_RANK_NONE, GST_TYPE_FAKECAM_SRC)
        && gst_element_register(plugin, "fakemicsrc", GST_RANK_NONE, GST_TYPE_FAKEMIC_SRC)
        && gst_device_provider_register(
            plugin, "fakev4l2deviceprovider", GST_RANK_PRIMARY, GST_TYPE_FAKE_V4L2_DEVICE_PROVIDER)
        && gst_device_provider_register(
            plugin, "fakepipewiredeviceprovider", GST_RANK_PRIMARY, GST_TYPE_FAKE_PIPEWIRE_DEVICE_PROVIDER)
        && gst_device_provider_register(
            plugin, "fakepulsedeviceprovider", GST_RANK_PRIMARY, GST_TYPE_FAKE_PULSE_DEVICE_PROVIDER);
}

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, fakecam,
    "Fake cameras and microphones for Glimview's tests", plugin_init, VERSION, "Proprietary", PACKAGE, ORIGIN)

/* For tests in the same process, found with g_module_symbol on the loaded
 * plugin (see README.md). */

/* Plugs a device in or out, as if by hand; holds until called again or the
 * device's group changes in the key file. */
extern "C" G_MODULE_EXPORT void fakecam_set_present(const char* group, gboolean present)
{
    if (group)
        fakecam::Registry::Instance().SetPresent(group, present);
}

/* The caps the group's camera last streamed in, as text ("" before any);
 * the pointer stays valid until the next call. */
extern "C" G_MODULE_EXPORT const char* fakecam_negotiated_caps(const char* group)
{
    static thread_local std::string text;
    text = group ? fakecam::Registry::Instance().Negotiated(group) : std::string();
    return text.c_str();
}

/* Reads the key file now, without waiting for the providers to notice. */
extern "C" G_MODULE_EXPORT void fakecam_reload(void) { fakecam::Registry::Instance().Reload(); }
