// SPDX-License-Identifier: GPL-2.0-or-later
#include "camera/Snapwell.h"

#include "camera/CameraLogging.h"
#include "filter/frameblock.h"

#include <QFile>
#include <QString>

#include <cerrno>
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
std::string gFolder; // where the maps were to be made

// The maps are made before any window exists: no box then. The user hears
// of a missing map when a snapshot or a recording needs it.
void LogFrameMapFailure(const QString& message) { qCWarning(lcCamera, "%s", qPrintable(message)); }

FrameMapReportFunction gReport = LogFrameMapFailure;

// Gives the file its blocks now. A file that is only sized (ftruncate) gets
// them when a frame is first written into the mapping; in a full folder
// that write faults (SIGBUS) instead of failing here.
bool ReserveSpace(int fd, std::size_t size, const std::string& path)
{
    const int error = ::posix_fallocate(fd, 0, static_cast<off_t>(size));
    if (error != 0)
        qCWarning(lcCamera, "%s: no room for %zu bytes: %s", path.c_str(), size, std::strerror(error));
    return error == 0;
}

// Opens the map's file, creating it at `size` bytes when it does not exist
// yet. An existing file is taken only when it is a regular file of this user,
// of this size and closed to everybody else: anything else may be another
// party's trap or a different layout.
int OpenOrCreate(const std::string& path, std::size_t size, bool& created)
{
    created = false;
    if (path.empty())
        return -1;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
        if (::fchmod(fd, 0600) != 0 || !ReserveSpace(fd, size, path)) {
            ::close(fd);
            ::unlink(path.c_str());
            return -1;
        }
        created = true;
        return fd;
    }
    if (errno != EEXIST)
        return -1;
    fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()
        || (st.st_mode & 07777) != 0600 || st.st_size != static_cast<off_t>(size)) {
        qCWarning(lcCamera, "%s: refused, it has another owner, size or access mode", path.c_str());
        ::close(fd);
        return -1;
    }
    // Left by an earlier copy, perhaps only sized.
    if (!ReserveSpace(fd, size, path)) {
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
        qCWarning(lcCamera, "%s: mmap failed: %s", name.c_str(), std::strerror(errno));
    else
        object.view = view;
    qCDebug(lcCamera, "%s %s", created ? "created" : "opened", name.c_str());
    return true;
}

void UnmapObject(MappedObject& object)
{
    if (object.view)
        ::munmap(object.view, object.size);
    if (object.created)
        ::unlink(object.name.c_str());
    object = MappedObject {};
}

} // namespace

void CreateFrameMaps()
{
    CreateFrameMaps(frameblock::MapFilePath(frameblock::kFrameBlockMapName),
        frameblock::MapFilePath(frameblock::kPermissionMapName));
}

void RemoveLeftoverFrameMaps()
{
    for (const char* mapName : { frameblock::kFrameBlockMapName, frameblock::kPermissionMapName })
        if (const std::string path = frameblock::MapFilePath(mapName); !path.empty())
            ::unlink(path.c_str());
}

void CreateFrameMaps(const std::string& blockPath, const std::string& permissionPath)
{
    CloseFrameMaps();
    gFolder = blockPath.substr(0, blockPath.find_last_of('/'));
    if (!MapObject(gBlock, blockPath, frameblock::kFrameBlockSize, PROT_READ))
        gReport(QStringLiteral("Failed : MapRead4snapwell Create"));
    if (!MapObject(gPermission, permissionPath, frameblock::kPermissionSize, PROT_READ | PROT_WRITE)) {
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

bool FrameMapsReady() { return gBlock.view && gPermission.view; }

QString FrameMapsFolder() { return QFile::decodeName(QByteArray::fromStdString(gFolder)); }

const unsigned char* FrameBlock() { return static_cast<const unsigned char*>(gBlock.view); }

uint32_t* GrabPermission() { return static_cast<uint32_t*>(gPermission.view); }

FrameMapReportFunction SetFrameMapReport(FrameMapReportFunction report)
{
    const FrameMapReportFunction previous = gReport;
    gReport = report ? report : LogFrameMapFailure;
    return previous;
}
