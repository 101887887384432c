// SPDX-License-Identifier: GPL-2.0-or-later
#include "Snapwell.h"

#include "filter/frameblock.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct MappedObject {
    void* view = nullptr;
    std::size_t size = 0;
    std::string name;
    bool created = false; // only the creator removes the name again
};

MappedObject gBlock;
MappedObject gPermission;

void ShowFrameMapFailure(const QString& message)
{
    std::fprintf(stderr, "%s\n", qPrintable(message));
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QMessageBox(QMessageBox::NoIcon, QCoreApplication::applicationName(), message, QMessageBox::Ok)
            .exec();
}

FrameMapReportFunction gReport = ShowFrameMapFailure;

// Opens the object, creating it at `size` bytes when it does not exist yet.
// An existing object is taken only when it is this user's and of this size:
// anything else may be another user's trap or a different layout.
int OpenOrCreate(const std::string& name, std::size_t size, bool& created)
{
    created = false;
    int fd = ::shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd >= 0) {
        if (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
            ::close(fd);
            ::shm_unlink(name.c_str());
            return -1;
        }
        created = true;
        return fd;
    }
    if (errno != EEXIST)
        return -1;
    fd = ::shm_open(name.c_str(), O_RDWR, 0);
    if (fd < 0)
        return -1;
    struct stat st { };
    if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid() || st.st_size != static_cast<off_t>(size)) {
        std::fprintf(stderr, "%s: refused, it has another owner or size\n", name.c_str());
        ::close(fd);
        return -1;
    }
    return fd;
}

// Returns false when the object could not be created or opened; a failed
// view only leaves the map missing.
bool MapObject(MappedObject& object, const std::string& name, std::size_t size, int protection)
{
    bool created = false;
    const int fd = OpenOrCreate(name, size, created);
    if (fd < 0)
        return false;
    void* view = ::mmap(nullptr, size, protection, MAP_SHARED, fd, 0);
    ::close(fd);
    object.name = name;
    object.created = created;
    object.size = size;
    if (view == MAP_FAILED)
        std::fprintf(stderr, "%s: mmap failed: %s\n", name.c_str(), std::strerror(errno));
    else
        object.view = view;
    return true;
}

void UnmapObject(MappedObject& object)
{
    if (object.view)
        ::munmap(object.view, object.size);
    if (object.created)
        ::shm_unlink(object.name.c_str());
    object = MappedObject {};
}

} // namespace

void CreateFrameMaps()
{
    CreateFrameMaps(frameblock::ShmObjectName(frameblock::kFrameBlockMapName),
        frameblock::ShmObjectName(frameblock::kPermissionMapName));
}

void CreateFrameMaps(const std::string& blockObjectName, const std::string& permissionObjectName)
{
    CloseFrameMaps();
    if (!MapObject(gBlock, blockObjectName, frameblock::kFrameBlockSize, PROT_READ))
        gReport(QStringLiteral("Failed : MapRead4snapwell Create"));
    if (!MapObject(gPermission, permissionObjectName, frameblock::kPermissionSize, PROT_READ | PROT_WRITE)) {
        gReport(QStringLiteral("Failed : MapWrite4snapwell Create"));
        return;
    }
    if (gPermission.view)
        frameblock::StoreWord(gPermission.view, 0, 1);
}

void CloseFrameMaps()
{
    UnmapObject(gBlock);
    UnmapObject(gPermission);
}

const unsigned char* FrameBlock() { return static_cast<const unsigned char*>(gBlock.view); }

uint32_t* GrabPermission() { return static_cast<uint32_t*>(gPermission.view); }

FrameMapReportFunction SetFrameMapReport(FrameMapReportFunction report)
{
    const FrameMapReportFunction previous = gReport;
    gReport = report ? report : ShowFrameMapFailure;
    return previous;
}
