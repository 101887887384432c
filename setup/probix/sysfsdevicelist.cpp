// SPDX-License-Identifier: LGPL-2.1-or-later
#include "sysfsdevicelist.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace probix {

namespace {

    // Names under bus/usb/devices are at most NAME_MAX long; an attribute path
    // below one of them always fits here, and one that does not is unreadable.
    constexpr std::size_t kPathBufferSize = 512;
    constexpr int kNoClass = -1;
    constexpr int kVideoClass = 0x0e;
    constexpr int kVideoControlSubclass = 0x01;

    void ClearText(char (&text)[kPropertyBufferSize]) { text[0] = '\0'; }

    void SetText(char (&text)[kPropertyBufferSize], const char* value)
    {
        std::snprintf(text, kPropertyBufferSize, "%s", value);
    }

    bool AttributePath(char (&path)[kPathBufferSize], const char* entryName, const char* attribute)
    {
        const int length = std::snprintf(path, sizeof path, "%s/%s", entryName, attribute);
        return length > 0 && static_cast<std::size_t>(length) < sizeof path;
    }

    // Reads a short attribute file such as "0e\n"; false when it cannot be read.
    bool ReadAttribute(int dirFd, const char* entryName, const char* attribute, char* value, std::size_t size)
    {
        char path[kPathBufferSize];
        if (!AttributePath(path, entryName, attribute))
            return false;
        const int fd = openat(dirFd, path, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        ssize_t length;
        do
            length = read(fd, value, size - 1);
        while (length < 0 && errno == EINTR);
        close(fd);
        if (length < 0)
            return false;
        while (length > 0 && (value[length - 1] == '\n' || value[length - 1] == ' '))
            --length;
        value[length] = '\0';
        return true;
    }

    // A class code as sysfs prints it: two hexadecimal digits, either case.
    int ReadClassCode(int dirFd, const char* entryName, const char* attribute)
    {
        char value[16];
        if (!ReadAttribute(dirFd, entryName, attribute, value, sizeof value) || value[0] == '\0')
            return kNoClass;
        char* end = nullptr;
        const unsigned long code = std::strtoul(value, &end, 16);
        return (*end == '\0' && code <= 0xff) ? static_cast<int>(code) : kNoClass;
    }

    bool IsDeauthorized(int dirFd, const char* entryName)
    {
        char value[16];
        return ReadAttribute(dirFd, entryName, "authorized", value, sizeof value)
            && std::strcmp(value, "0") == 0;
    }

    // The bound driver's name is the last part of the `driver` link's target.
    bool ReadDriverName(int dirFd, const char* entryName, char (&name)[kPropertyBufferSize])
    {
        char path[kPathBufferSize];
        if (!AttributePath(path, entryName, "driver"))
            return false;
        const ssize_t length = readlinkat(dirFd, path, name, sizeof name);
        if (length <= 0 || static_cast<std::size_t>(length) >= sizeof name)
            return false;
        name[length] = '\0';
        if (const char* slash = std::strrchr(name, '/'))
            std::memmove(name, slash + 1, std::strlen(slash + 1) + 1);
        return name[0] != '\0';
    }

    // The UVC driver registers a video4linux node below the control interface
    // once the camera works.
    bool HasVideo4LinuxChild(int dirFd, const char* entryName)
    {
        char path[kPathBufferSize];
        if (!AttributePath(path, entryName, "video4linux"))
            return false;
        const int fd = openat(dirFd, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return false;
        DIR* children = fdopendir(fd);
        if (!children) {
            close(fd);
            return false;
        }
        bool found = false;
        while (const dirent* child = readdir(children)) {
            if (child->d_name[0] != '.') {
                found = true;
                break;
            }
        }
        closedir(children);
        return found;
    }

    // USB class codes by their usual names. None but the video interface that
    // the UVC driver has brought up is called "Image" (code 06 is "Imaging").
    struct UsbClass {
        int code;
        const char* name;
    };
    constexpr UsbClass kUsbClassNames[] = {
        { 0x01, "Audio" },
        { 0x02, "Communications" },
        { 0x03, "HID" },
        { 0x05, "Physical" },
        { 0x06, "Imaging" },
        { 0x07, "Printer" },
        { 0x08, "MassStorage" },
        { 0x09, "Hub" },
        { 0x0a, "CDCData" },
        { 0x0b, "SmartCard" },
        { 0x0d, "ContentSecurity" },
        { 0x0e, "Video" },
        { 0x0f, "PersonalHealthcare" },
        { 0x10, "AudioVideo" },
        { 0xdc, "Diagnostic" },
        { 0xe0, "WirelessController" },
        { 0xef, "Miscellaneous" },
        { 0xfe, "ApplicationSpecific" },
        { 0xff, "VendorSpecific" },
    };

    const char* UsbClassName(int code)
    {
        if (code == kNoClass)
            return "";
        for (const UsbClass& usbClass : kUsbClassNames) {
            if (usbClass.code == code)
                return usbClass.name;
        }
        return "USB";
    }

} // namespace

const char* SysfsRoot()
{
    const char* root = std::getenv("PROBIX_SYSFS_ROOT");
    return (root && root[0] != '\0') ? root : "/sys";
}

SysfsDeviceList::SysfsDeviceList(const char* sysfsRoot)
{
    const int rootFd = open(sysfsRoot, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0)
        return;
    devicesFd_ = openat(rootFd, "bus/usb/devices", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    close(rootFd);
    if (devicesFd_ < 0)
        return;
    // The directory stream takes its own descriptor so that devicesFd_ stays
    // usable for openat while the stream walks.
    const int listFd = dup(devicesFd_);
    if (listFd < 0)
        return;
    fcntl(listFd, F_SETFD, FD_CLOEXEC);
    entries_ = fdopendir(listFd);
    if (!entries_)
        close(listFd);
}

SysfsDeviceList::~SysfsDeviceList()
{
    if (entries_)
        closedir(entries_);
    if (devicesFd_ >= 0)
        close(devicesFd_);
}

bool SysfsDeviceList::Next(DeviceRecord& record)
{
    if (!entries_)
        return false;
    while (const dirent* entry = readdir(entries_)) {
        if (entry->d_name[0] == '.')
            continue;
        Describe(entry->d_name, record);
        return true;
    }
    return false;
}

// Interfaces are named "<device>:<configuration>.<interface>", devices have no colon.
void SysfsDeviceList::Describe(const char* entryName, DeviceRecord& record) const
{
    record.statusFlags = 0;
    record.classHidden = false; // Linux has no hidden device classes
    ClearText(record.service);
    ClearText(record.className);

    struct stat status;
    record.statusReadable = fstatat(devicesFd_, entryName, &status, 0) == 0 && S_ISDIR(status.st_mode);
    if (!record.statusReadable)
        return;

    const bool hasDriver = ReadDriverName(devicesFd_, entryName, record.service);
    if (!hasDriver)
        ClearText(record.service);
    else if (std::strcmp(record.service, "uvcvideo") == 0)
        SetText(record.service, "usbvideo");

    const char* colon = std::strchr(entryName, ':');
    bool problem = IsDeauthorized(devicesFd_, entryName);
    if (colon) {
        char deviceName[kPathBufferSize];
        std::snprintf(deviceName, sizeof deviceName, "%.*s", static_cast<int>(colon - entryName), entryName);
        problem = problem || !hasDriver || IsDeauthorized(devicesFd_, deviceName);

        const int code = ReadClassCode(devicesFd_, entryName, "bInterfaceClass");
        const bool isVideoControl = code == kVideoClass
            && ReadClassCode(devicesFd_, entryName, "bInterfaceSubClass") == kVideoControlSubclass;
        SetText(record.className,
            isVideoControl && HasVideo4LinuxChild(devicesFd_, entryName) ? "Image" : UsbClassName(code));
    } else {
        SetText(record.className, UsbClassName(ReadClassCode(devicesFd_, entryName, "bDeviceClass")));
    }
    if (problem)
        record.statusFlags |= kStatusHasProblem;
}

} // namespace probix
