// SPDX-License-Identifier: GPL-2.0-or-later
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
    guint64 stallAfter = 0; // then nothing more, and no error
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
    // Told that the set of present devices or their descriptions may have
    // changed. Listeners run one at a time, never with the registry locked,
    // so that what they post may call back into the sources.
    using Listener = std::function<void()>;

    static Registry& Instance();

    // The device of this group if it is configured and plugged in, or with
    // an empty group the first plugged-in camera (or microphone); the file is
    // read again first when it changed.
    std::optional<DeviceConfig> Lookup(const std::string& group, bool audio);
    // Present devices of one provider, in file order.
    std::vector<DeviceConfig> PresentDevices(ProviderKind kind);

    // A started provider: told at once and of every change until removed.
    // While any is registered, a watcher thread checks the file every 50 ms
    // and tells them of changes.
    int AddListener(Listener listener);
    void RemoveListener(int id);

    // Plugs a device in or out until its group changes in the file or this
    // is called again; the listeners are told before it returns. Groups with
    // the same path are one physical device seen through several providers:
    // they come and go together.
    void SetPresent(const std::string& group, bool present);
    // The device fell off the bus: out until plugged in again. The listeners
    // are told from the watcher thread, as a hot-plug notice comes from
    // udev's, not from the thread that saw the device go.
    void Unplug(const std::string& group);
    // Reads the file now, changed or not, and tells the listeners.
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
    // Reads the file if it changed (or always); sets notifyPending_ then.
    void ReloadIfChangedLocked(bool force);
    bool IsPresentLocked(const DeviceConfig& device) const;
    void SetPresentLocked(const std::string& group, bool present);
    void Notify();
    void WatchLoop();

    std::mutex mutex_;
    std::map<std::string, std::string> negotiated_;
    FileStamp stamp_;
    bool loaded_ = false;
    std::vector<DeviceConfig> devices_;
    std::map<std::string, bool> presentOverrides_;
    std::map<int, Listener> listeners_;
    int nextListenerId_ = 1;
    bool notifyPending_ = false;

    // Held while listeners run, so that a removed one is never called again.
    std::recursive_mutex notifyMutex_;

    std::thread watcher_;
    std::condition_variable watcherWake_;
    bool watcherStop_ = false;
};

// Parses one key file; false with `error` set when it cannot be read.
bool ParseDevices(const std::string& path, std::vector<DeviceConfig>& devices, std::string& error);

} // namespace fakecam
