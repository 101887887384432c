// SPDX-License-Identifier: GPL-2.0-or-later
// A throw-away sysfs tree shaped like the kernel's: device folders under
// devices/, links to them in bus/usb/devices/, `driver` links into
// bus/usb/drivers/.
#pragma once

#include <string>

class FakeSysfs {
public:
    FakeSysfs();
    ~FakeSysfs();
    FakeSysfs(const FakeSysfs&) = delete;
    FakeSysfs& operator=(const FakeSysfs&) = delete;

    const std::string& Root() const { return root_; }

    // A USB device such as "1-1", bound to the generic "usb" driver.
    void AddDevice(const std::string& name, const std::string& deviceClass = "ef", bool authorized = true);
    // An interface such as "1-1:1.0" below its device; an empty driver leaves it unbound.
    void AddInterface(const std::string& name, const std::string& interfaceClass, const std::string& subclass,
        const std::string& driver, bool video4linuxChild = false);
    // A working UVC camera: device, control interface with its video node, streaming interface.
    void AddCamera(const std::string& deviceName);

    void WriteAttribute(const std::string& entryName, const std::string& attribute, const std::string& value);
    void Unbind(const std::string& entryName);

private:
    std::string EntryFolder(const std::string& entryName) const;
    void Bind(const std::string& entryName, const std::string& driver);

    std::string root_;
};
