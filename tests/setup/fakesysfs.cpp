// SPDX-License-Identifier: GPL-2.0-or-later
#include "fakesysfs.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {
const fs::path kHubFolder = "devices/pci0000:00/0000:00:14.0/usb1";

std::string DeviceOf(const std::string& entryName) { return entryName.substr(0, entryName.find(':')); }
} // namespace

FakeSysfs::FakeSysfs()
{
    std::string pattern = (fs::temp_directory_path() / "probix-sysfs-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    fs::create_directories(fs::path(root_) / "bus/usb/devices");
    fs::create_directories(fs::path(root_) / "bus/usb/drivers");
    fs::create_directories(fs::path(root_) / kHubFolder);
}

FakeSysfs::~FakeSysfs()
{
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

std::string FakeSysfs::EntryFolder(const std::string& entryName) const
{
    fs::path folder = fs::path(root_) / kHubFolder / DeviceOf(entryName);
    if (entryName.find(':') != std::string::npos)
        folder /= entryName;
    return folder.string();
}

void FakeSysfs::WriteAttribute(
    const std::string& entryName, const std::string& attribute, const std::string& value)
{
    std::ofstream(fs::path(EntryFolder(entryName)) / attribute) << value << '\n';
}

void FakeSysfs::Bind(const std::string& entryName, const std::string& driver)
{
    const fs::path driverFolder = fs::path(root_) / "bus/usb/drivers" / driver;
    fs::create_directories(driverFolder);
    fs::create_directory_symlink(
        fs::relative(driverFolder, EntryFolder(entryName)), fs::path(EntryFolder(entryName)) / "driver");
}

void FakeSysfs::Unbind(const std::string& entryName)
{
    fs::remove(fs::path(EntryFolder(entryName)) / "driver");
}

void FakeSysfs::AddDevice(const std::string& name, const std::string& deviceClass, bool authorized)
{
    fs::create_directories(EntryFolder(name));
    WriteAttribute(name, "bDeviceClass", deviceClass);
    WriteAttribute(name, "authorized", authorized ? "1" : "0");
    Bind(name, "usb");
    const fs::path link = fs::path(root_) / "bus/usb/devices" / name;
    fs::create_directory_symlink(fs::relative(EntryFolder(name), link.parent_path()), link);
}

void FakeSysfs::AddInterface(const std::string& name, const std::string& interfaceClass,
    const std::string& subclass, const std::string& driver, bool video4linuxChild)
{
    fs::create_directories(EntryFolder(name));
    WriteAttribute(name, "bInterfaceClass", interfaceClass);
    WriteAttribute(name, "bInterfaceSubClass", subclass);
    WriteAttribute(name, "authorized", "1");
    if (!driver.empty())
        Bind(name, driver);
    if (video4linuxChild)
        fs::create_directories(fs::path(EntryFolder(name)) / "video4linux/video0");
    const fs::path link = fs::path(root_) / "bus/usb/devices" / name;
    fs::create_directory_symlink(fs::relative(EntryFolder(name), link.parent_path()), link);
}

void FakeSysfs::AddCamera(const std::string& deviceName)
{
    AddDevice(deviceName, "ef");
    AddInterface(deviceName + ":1.0", "0e", "01", "uvcvideo", true);
    AddInterface(deviceName + ":1.1", "0e", "02", "uvcvideo");
}
