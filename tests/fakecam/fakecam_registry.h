// The fake devices as the key file named by FAKECAM_DEVICES describes them,
// shared by the sources (which open a device by its group name) and the
// device providers (which list and watch them). One instance per process.
#pragma once

#include <glib.h>
#include <gst/gst.h>

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace fakecam {

enum class ProviderKind { V4l2, PipeWire, Pulse };

struct DeviceConfig {
    std::string group;
    ProviderKind provider = ProviderKind::V4l2;
    std::string name;
    std::string path;
    std::string busInfo;
    std::string deviceClass; // "Video/Source" or "Audio/Source"
    std::string caps; // a caps string, structures in the device's order
    bool busy = false;
    guint64 failAfter = 0;
    guint64 unplugAfter = 0;
    bool present = true;
    bool isDefault = false;
    bool hidesProviders = false; // pipewire: hides the other providers as PipeWire does
    std::string internalName; // pulse: the source's name; pipewire: node.name
    // "property.<key>=<value>" lines: extra or overriding properties.
    std::vector<std::pair<std::string, std::string>> extraProperties;
    // Every key and value of the group, to tell whether the group changed.
    std::string text;
    // The keys that shape the listed device (not busy, failures, presence or
    // the default flag), to tell whether a provider must list it anew.
    std::string description;

    bool IsAudio() const { return deviceClass == "Audio/Source"; }
};

class Registry {
public:
    // Told, with the registry locked, that the set of present devices or
    // their descriptions may have changed.
    using Listener = std::function<void()>;

    static Registry& Instance();

    // The device of this group if it is configured and plugged in, or with
    // an empty group the first plugged-in camera (or microphone); the file is
    // read again first when it changed.
    std::optional<DeviceConfig> Lookup(const std::string& group, bool audio);
    // Present devices of one provider, in file order. Only for listeners,
    // which are called with the registry locked, and for probing.
    std::vector<DeviceConfig> PresentDevicesLocked(ProviderKind kind) const;
    std::vector<DeviceConfig> PresentDevices(ProviderKind kind);

    // A started provider: told at once and of every change until removed.
    // While any is registered, the file is checked for changes every 50 ms.
    int AddListener(Listener listener);
    void RemoveListener(int id);

    // Plugs a device in or out until its group changes in the file or this
    // is called again.
    void SetPresent(const std::string& group, bool present);
    // The device fell off the bus: out until plugged in again.
    void Unplug(const std::string& group) { SetPresent(group, false); }
    // Reads the file now, changed or not.
    void Reload();

    // The caps a camera's source last started streaming in, for tests that
    // check what was asked of the camera; empty before any.
    void RecordNegotiated(const std::string& group, const GstCaps* caps);
    std::string Negotiated(const std::string& group);

private:
    Registry() = default;

    struct FileStamp {
        std::string path;
        gint64 mtimeNs = -1;
        gint64 size = -1;
        guint64 inode = 0;
        bool operator==(const FileStamp&) const = default;
    };

    static FileStamp StampNow();
    void ReloadIfChangedLocked(bool force);
    bool IsPresentLocked(const DeviceConfig& device) const;
    void NotifyLocked();
    void WatchLoop();

    mutable std::recursive_mutex mutex_;
    std::map<std::string, std::string> negotiated_;
    FileStamp stamp_;
    bool loaded_ = false;
    std::vector<DeviceConfig> devices_;
    std::map<std::string, bool> presentOverrides_;
    std::map<int, Listener> listeners_;
    int nextListenerId_ = 1;

    std::thread watcher_;
    std::condition_variable_any watcherWake_;
    bool watcherStop_ = false;
};

// Parses one key file; false with `error` set when it cannot be read.
bool ParseDevices(const std::string& path, std::vector<DeviceConfig>& devices, std::string& error);

} // namespace fakecam
