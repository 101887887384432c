// SPDX-License-Identifier: GPL-2.0-or-later
#include "fakecam_source.h"

GST_DEBUG_CATEGORY_STATIC(fakecam_source_debug);
#define GST_CAT_DEFAULT fakecam_source_debug

namespace fakecam {

void SourceDevice::InstallProperties(GObjectClass* klass, const char* deviceBlurb, const char* producedName,
    const char* producedNick, const char* producedBlurb)
{
    g_object_class_install_property(klass, kPropDevice,
        g_param_spec_string("device", "Device", deviceBlurb, nullptr,
            static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));
    g_object_class_install_property(klass, kPropDeviceName,
        g_param_spec_string("device-name", "Device name", "Name of the device once opened", nullptr,
            static_cast<GParamFlags>(G_PARAM_READABLE | G_PARAM_STATIC_STRINGS)));
    g_object_class_install_property(klass, kPropProduced,
        g_param_spec_uint64(producedName, producedNick, producedBlurb, 0, G_MAXUINT64, 0,
            static_cast<GParamFlags>(G_PARAM_READABLE | G_PARAM_STATIC_STRINGS)));
    if (!fakecam_source_debug)
        GST_DEBUG_CATEGORY_INIT(fakecam_source_debug, "fakecamsource", 0, "Fake device sources");
}

void SourceDevice::SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec)
{
    if (id != kPropDevice) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        return;
    }
    const char* device = g_value_get_string(value);
    GST_OBJECT_LOCK(object);
    wanted_ = device ? std::optional<std::string>(device) : std::nullopt;
    GST_OBJECT_UNLOCK(object);
}

void SourceDevice::GetProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec)
{
    switch (id) {
    case kPropDevice:
        GST_OBJECT_LOCK(object);
        g_value_set_string(value, wanted_ ? wanted_->c_str() : nullptr);
        GST_OBJECT_UNLOCK(object);
        break;
    case kPropDeviceName:
        GST_OBJECT_LOCK(object);
        g_value_set_string(value, named_ ? name_.c_str() : nullptr);
        GST_OBJECT_UNLOCK(object);
        break;
    case kPropProduced:
        g_value_set_uint64(value, produced_.load(std::memory_order_relaxed));
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        break;
    }
}

std::optional<DeviceConfig> SourceDevice::Lookup(GstElement* element, bool audio, std::string& wanted)
{
    GST_OBJECT_LOCK(element);
    wanted = wanted_.value_or("");
    GST_OBJECT_UNLOCK(element);
    return Registry::Instance().Lookup(wanted, audio);
}

bool SourceDevice::Open(GstElement* element, const DeviceConfig& config)
{
    group_ = config.group;
    probedCaps_ = gst_caps_from_string(config.caps.c_str());
    if (!probedCaps_ || gst_caps_is_empty(probedCaps_))
        return false;
    GST_OBJECT_LOCK(element);
    name_ = config.name;
    named_ = true;
    GST_OBJECT_UNLOCK(element);
    GST_DEBUG_OBJECT(element, "opened %s with caps %" GST_PTR_FORMAT, group_.c_str(), probedCaps_);
    return true;
}

void SourceDevice::Close()
{
    gst_clear_caps(&probedCaps_);
    group_.clear();
}

GstCaps* SourceDevice::Caps(GstBaseSrc* basesrc, GstCaps* filter) const
{
    if (!probedCaps_)
        return gst_pad_get_pad_template_caps(GST_BASE_SRC_PAD(basesrc));
    if (filter)
        return gst_caps_intersect_full(filter, probedCaps_, GST_CAPS_INTERSECT_FIRST);
    return gst_caps_ref(probedCaps_);
}

void SourceDevice::Start()
{
    produced_.store(0, std::memory_order_relaxed);
    pacer_.UnlockStop();
}

void SourceDevice::Stream(const DeviceConfig& config, GstClockTime period, guint64 queueSlots)
{
    failAfter_ = config.failAfter;
    unplugAfter_ = config.unplugAfter;
    stallAfter_ = config.stallAfter;
    pacer_.Reset(period, queueSlots);
}

GstFlowReturn SourceDevice::Next(GstElement* element, const char* readError, GstClockTime& runningTime,
    guint64& slot, guint64& skipped, guint64& produced)
{
    produced = produced_.load(std::memory_order_relaxed);
    if (stallAfter_ > 0 && produced >= stallAfter_) {
        /* Firmware that hung: no error, no frame, the poll never wakes. */
        GST_DEBUG_OBJECT(element, "stalled after %" G_GUINT64_FORMAT " buffers", produced);
        return pacer_.Hang();
    }
    const GstFlowReturn ret = pacer_.Next(element, runningTime, slot, skipped);
    if (ret != GST_FLOW_OK)
        return ret;
    if (unplugAfter_ > 0 && produced >= unplugAfter_) {
        GST_ELEMENT_ERROR(element, RESOURCE, READ, (nullptr), ("%s: No such device (19)", readError));
        /* The driver wakes the reader first; the hot-plug notice follows. */
        Registry::Instance().Unplug(group_);
        return GST_FLOW_ERROR;
    }
    if (failAfter_ > 0 && produced >= failAfter_) {
        GST_ELEMENT_ERROR(element, RESOURCE, READ, (nullptr), ("%s: Input/output error (5)", readError));
        return GST_FLOW_ERROR;
    }
    return GST_FLOW_OK;
}

} // namespace fakecam
