// SPDX-License-Identifier: GPL-2.0-or-later
#include "fakecam_registry.h"

#include <glib/gstdio.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace fakecam {

namespace {

    constexpr auto kWatchInterval = std::chrono::milliseconds(50);

    std::optional<ProviderKind> ParseProvider(const char* text)
    {
        if (g_strcmp0(text, "v4l2") == 0)
            return ProviderKind::V4l2;
        if (g_strcmp0(text, "pipewire") == 0)
            return ProviderKind::PipeWire;
        if (g_strcmp0(text, "pulse") == 0)
            return ProviderKind::Pulse;
        return std::nullopt;
    }

    std::string StringKey(GKeyFile* file, const char* group, const char* key, const char* fallback = "")
    {
        g_autofree gchar* value = g_key_file_get_string(file, group, key, nullptr);
        return value ? std::string(value) : std::string(fallback);
    }

    bool BoolKey(GKeyFile* file, const char* group, const char* key, bool fallback)
    {
        g_autoptr(GError) error = nullptr;
        gboolean value = g_key_file_get_boolean(file, group, key, &error);
        return error ? fallback : bool(value);
    }

    guint64 CountKey(GKeyFile* file, const char* group, const char* key)
    {
        g_autoptr(GError) error = nullptr;
        guint64 value = g_key_file_get_uint64(file, group, key, &error);
        return error ? 0 : value;
    }

    // Keys that change how the device behaves once opened, not how it is listed.
    bool IsBehaviourKey(const char* key)
    {
        for (const char* behaviour :
            { "busy", "fail-after", "unplug-after", "stall-after", "present", "default" }) {
            if (g_strcmp0(key, behaviour) == 0)
                return true;
        }
        return false;
    }

} // namespace

bool ParseDevices(const std::string& path, std::vector<DeviceConfig>& devices, std::string& error)
{
    g_autoptr(GKeyFile) file = g_key_file_new();
    g_autoptr(GError) gerror = nullptr;
    if (!g_key_file_load_from_file(file, path.c_str(), G_KEY_FILE_NONE, &gerror)) {
        error = gerror->message;
        return false;
    }

    devices.clear();
    gsize groupCount = 0;
    g_auto(GStrv) groups = g_key_file_get_groups(file, &groupCount);
    for (gsize i = 0; i < groupCount; ++i) {
        const char* group = groups[i];
        g_autofree gchar* providerText = g_key_file_get_string(file, group, "provider", nullptr);
        std::optional<ProviderKind> provider = ParseProvider(providerText);
        if (!provider) {
            g_warning("fakecam: group [%s] has no valid provider (v4l2, pipewire or pulse)", group);
            continue;
        }

        DeviceConfig device;
        device.group = group;
        device.provider = *provider;
        device.name = StringKey(file, group, "name", group);
        device.path = StringKey(file, group, "path");
        // As a platform driver such as vivid reports it, when not given.
        device.busInfo
            = StringKey(file, group, "bus-info", ("platform:fakecam-" + std::string(group)).c_str());
        device.caps = StringKey(file, group, "caps");
        device.busy = BoolKey(file, group, "busy", false);
        device.failAfter = CountKey(file, group, "fail-after");
        device.unplugAfter = CountKey(file, group, "unplug-after");
        device.stallAfter = CountKey(file, group, "stall-after");
        device.present = BoolKey(file, group, "present", true);
        device.isDefault = BoolKey(file, group, "default", false);
        device.hidesProviders = BoolKey(file, group, "hide-providers", false);
        device.internalName = StringKey(file, group, "internal-name");

        const bool audioCaps = g_str_has_prefix(device.caps.c_str(), "audio/");
        switch (device.provider) {
        case ProviderKind::V4l2:
            device.deviceClass = "Video/Source";
            break;
        case ProviderKind::Pulse:
            device.deviceClass = "Audio/Source";
            break;
        case ProviderKind::PipeWire:
            device.deviceClass = StringKey(file, group, "class", audioCaps ? "Audio/Source" : "Video/Source");
            break;
        }

        gsize keyCount = 0;
        g_auto(GStrv) keys = g_key_file_get_keys(file, group, &keyCount, nullptr);
        for (gsize k = 0; k < keyCount; ++k) {
            g_autofree gchar* value = g_key_file_get_value(file, group, keys[k], nullptr);
            std::string line = std::string(keys[k]) + "=" + (value ? value : "") + "\n";
            device.text += line;
            if (!IsBehaviourKey(keys[k]))
                device.description += line;
            if (g_str_has_prefix(keys[k], "property."))
                device.extraProperties.emplace_back(
                    keys[k] + std::strlen("property."), StringKey(file, group, keys[k]));
        }
        devices.push_back(std::move(device));
    }
    return true;
}

Registry& Registry::Instance()
{
    // Never destroyed: a provider left started at exit must not take the
    // process down with a joinable watcher thread.
    static Registry* instance = new Registry;
    return *instance;
}

Registry::FileStamp Registry::StampNow()
{
    FileStamp stamp;
    const char* path = g_getenv("FAKECAM_DEVICES");
    if (!path || !*path)
        return stamp;
    stamp.path = path;
    GStatBuf info;
    if (g_stat(path, &info) == 0) {
        stamp.mtimeNs = gint64(info.st_mtim.tv_sec) * G_GINT64_CONSTANT(1000000000) + info.st_mtim.tv_nsec;
        stamp.size = info.st_size;
        stamp.inode = info.st_ino;
    }
    return stamp;
}

void Registry::ReloadIfChangedLocked(bool force)
{
    FileStamp now = StampNow();
    if (loaded_ && !force && now == stamp_)
        return;
    stamp_ = now;
    loaded_ = true;

    std::vector<DeviceConfig> parsed;
    if (!now.path.empty()) {
        std::string error;
        if (!ParseDevices(now.path, parsed, error)) {
            // Half-written or missing: keep what was there, try again on the
            // next change.
            if (now.mtimeNs >= 0)
                g_warning("fakecam: cannot read %s: %s", now.path.c_str(), error.c_str());
            if (now.mtimeNs >= 0 || devices_.empty())
                return;
        }
    }

    // A group whose text changed, appeared or went away is plugged in or out
    // by the file again, and so are the groups of the same physical device.
    std::map<std::string, std::string> oldText;
    for (const DeviceConfig& device : devices_)
        oldText[device.group] = device.text;
    std::vector<const DeviceConfig*> changed;
    for (const DeviceConfig& device : parsed) {
        auto old = oldText.find(device.group);
        if (old == oldText.end() || old->second != device.text)
            changed.push_back(&device);
        if (old != oldText.end())
            oldText.erase(old);
    }
    for (const auto& [group, text] : oldText)
        presentOverrides_.erase(group);
    for (const DeviceConfig* device : changed) {
        presentOverrides_.erase(device->group);
        for (const DeviceConfig& other : parsed) {
            if (!device->path.empty() && other.path == device->path && other.IsAudio() == device->IsAudio())
                presentOverrides_.erase(other.group);
        }
    }

    devices_ = std::move(parsed);
    notifyPending_ = true;
    watcherWake_.notify_all();
}

bool Registry::IsPresentLocked(const DeviceConfig& device) const
{
    auto found = presentOverrides_.find(device.group);
    return found != presentOverrides_.end() ? found->second : device.present;
}

void Registry::Notify()
{
    std::lock_guard notifying(notifyMutex_);
    std::vector<Listener> listeners;
    {
        std::lock_guard lock(mutex_);
        notifyPending_ = false;
        for (const auto& [id, listener] : listeners_)
            listeners.push_back(listener);
    }
    for (const Listener& listener : listeners)
        listener();
}

std::optional<DeviceConfig> Registry::Lookup(const std::string& group, bool audio)
{
    std::lock_guard lock(mutex_);
    ReloadIfChangedLocked(false);
    for (const DeviceConfig& device : devices_) {
        const bool matches = group.empty() ? device.IsAudio() == audio : device.group == group;
        if (matches && IsPresentLocked(device))
            return device;
    }
    return std::nullopt;
}

std::vector<DeviceConfig> Registry::PresentDevices(ProviderKind kind)
{
    std::lock_guard lock(mutex_);
    ReloadIfChangedLocked(false);
    std::vector<DeviceConfig> present;
    for (const DeviceConfig& device : devices_) {
        if (device.provider == kind && IsPresentLocked(device))
            present.push_back(device);
    }
    return present;
}

int Registry::AddListener(Listener listener)
{
    int id = 0;
    {
        std::lock_guard lock(mutex_);
        ReloadIfChangedLocked(false);
        id = nextListenerId_++;
        listeners_.emplace(id, std::move(listener));
        if (!watcher_.joinable()) {
            watcherStop_ = false;
            watcher_ = std::thread([this] { WatchLoop(); });
        }
    }
    // Every listener's answer to no change is to post nothing.
    Notify();
    return id;
}

void Registry::RemoveListener(int id)
{
    std::thread finished;
    {
        std::lock_guard notifying(notifyMutex_);
        std::lock_guard lock(mutex_);
        listeners_.erase(id);
        if (!listeners_.empty() || !watcher_.joinable())
            return;
        watcherStop_ = true;
        finished = std::move(watcher_);
        watcherWake_.notify_all();
    }
    finished.join();
}

void Registry::WatchLoop()
{
    std::unique_lock lock(mutex_);
    while (!watcherStop_) {
        watcherWake_.wait_for(lock, kWatchInterval, [this] { return watcherStop_ || notifyPending_; });
        if (watcherStop_)
            break;
        ReloadIfChangedLocked(false);
        if (notifyPending_) {
            lock.unlock();
            Notify();
            lock.lock();
        }
    }
}

void Registry::SetPresentLocked(const std::string& group, bool present)
{
    presentOverrides_[group] = present;
    const auto device = std::find_if(
        devices_.begin(), devices_.end(), [&](const DeviceConfig& d) { return d.group == group; });
    if (device == devices_.end() || device->path.empty())
        return;
    for (const DeviceConfig& other : devices_) {
        if (other.path == device->path && other.IsAudio() == device->IsAudio())
            presentOverrides_[other.group] = present;
    }
}

void Registry::SetPresent(const std::string& group, bool present)
{
    {
        std::lock_guard lock(mutex_);
        ReloadIfChangedLocked(false);
        SetPresentLocked(group, present);
    }
    Notify();
}

void Registry::Unplug(const std::string& group)
{
    std::lock_guard lock(mutex_);
    SetPresentLocked(group, false);
    notifyPending_ = true;
    watcherWake_.notify_all();
}

void Registry::Reload()
{
    {
        std::lock_guard lock(mutex_);
        ReloadIfChangedLocked(true);
    }
    Notify();
}

void Registry::RecordNegotiated(const std::string& group, const GstCaps* caps)
{
    gchar* text = gst_caps_to_string(caps);
    std::lock_guard lock(mutex_);
    negotiated_[group] = text ? text : "";
    g_free(text);
}

std::string Registry::Negotiated(const std::string& group)
{
    std::lock_guard lock(mutex_);
    const auto found = negotiated_.find(group);
    return found == negotiated_.end() ? std::string() : found->second;
}

} // namespace fakecam
