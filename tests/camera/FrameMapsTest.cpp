// SPDX-License-Identifier: GPL-2.0-or-later
#include "CameraTestFixture.h"

#include <QFile>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct ShmObject {
    bool exists = false;
    off_t size = 0;
    mode_t mode = 0;
    uid_t owner = 0;
};

ShmObject Inspect(const std::string& name)
{
    ShmObject object;
    const int fd = ::shm_open(name.c_str(), O_RDONLY, 0);
    if (fd < 0)
        return object;
    struct stat st { };
    if (::fstat(fd, &st) == 0)
        object = { true, st.st_size, st.st_mode & 0777, st.st_uid };
    ::close(fd);
    return object;
}

// Stands for an object some other party made before the application started.
void PreCreate(const std::string& name, off_t size, const char* content = nullptr)
{
    const int fd = ::shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    if (content) {
        ASSERT_EQ(::write(fd, content, std::strlen(content)), static_cast<ssize_t>(std::strlen(content)));
    }
    ::close(fd);
}

// The access rights of the mapping that holds `address`, as the kernel lists them.
QString MappingRights(const void* address)
{
    QFile maps("/proc/self/maps");
    if (!maps.open(QIODevice::ReadOnly))
        return {};
    const auto at = reinterpret_cast<quintptr>(address);
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const QList<QByteArray> range = fields.value(0).split('-');
        if (range.size() == 2 && range[0].toULongLong(nullptr, 16) <= at
            && at < range[1].toULongLong(nullptr, 16))
            return QString::fromLatin1(fields.value(1));
    }
    return {};
}

using FrameMapsTest = CameraTest;

TEST_F(FrameMapsTest, CreatesPrivateZeroedMapsAndGrantsGrabbing)
{
    OpenMaps();
    EXPECT_TRUE(ReportedMapFailures().isEmpty());

    const ShmObject block = Inspect(Names.block);
    EXPECT_TRUE(block.exists);
    EXPECT_EQ(block.size, 5760056);
    EXPECT_EQ(block.mode, 0600u);
    EXPECT_EQ(block.owner, ::geteuid());
    const ShmObject permission = Inspect(Names.permission);
    EXPECT_EQ(permission.size, 4);
    EXPECT_EQ(permission.mode, 0600u);

    EXPECT_EQ(Permission(), 1u);
    EXPECT_EQ(frameblock::LoadWord(FrameBlock(), frameblock::kFrameReadyOffset), 0u);
    EXPECT_EQ(frameblock::LoadWord(FrameBlock(), frameblock::kWidthOffset), 0u);

    // The application only reads the block and only writes the permission word.
    EXPECT_EQ(MappingRights(FrameBlock()), "r--s");
    EXPECT_EQ(MappingRights(GrabPermission()), "rw-s");

    // What the sink writes is what the application reads.
    Sink->SetHeaderWords(320, 240, 24);
    EXPECT_EQ(frameblock::LoadWord(FrameBlock(), frameblock::kWidthOffset), 320u);

    CloseFrameMaps();
    EXPECT_EQ(FrameBlock(), nullptr);
    EXPECT_EQ(GrabPermission(), nullptr);
    EXPECT_FALSE(Inspect(Names.block).exists); // the creator removes its names
    EXPECT_FALSE(Inspect(Names.permission).exists);
}

TEST_F(FrameMapsTest, ExistingMapsOfTheRightSizeAreTakenAndLeftInPlace)
{
    Names = UniqueTestMapNames();
    PreCreate(Names.block, 5760056, "earlier frame");
    PreCreate(Names.permission, 4);

    CreateFrameMaps(Names.block, Names.permission);
    EXPECT_TRUE(ReportedMapFailures().isEmpty());
    ASSERT_NE(FrameBlock(), nullptr);
    EXPECT_EQ(std::memcmp(FrameBlock(), "earlier frame", 13), 0);
    EXPECT_EQ(Permission(), 1u);

    CloseFrameMaps();
    EXPECT_TRUE(Inspect(Names.block).exists);
    EXPECT_TRUE(Inspect(Names.permission).exists);
    ::shm_unlink(Names.block.c_str());
    ::shm_unlink(Names.permission.c_str());
}

TEST_F(FrameMapsTest, MapsOfAnotherSizeAreRefusedAndReported)
{
    Names = UniqueTestMapNames();
    PreCreate(Names.block, 5760000);
    CreateFrameMaps(Names.block, Names.permission);
    EXPECT_EQ(ReportedMapFailures(), QStringList { "Failed : MapRead4snapwell Create" });
    EXPECT_EQ(FrameBlock(), nullptr);
    ASSERT_NE(GrabPermission(), nullptr); // the permission map is still made
    EXPECT_EQ(Permission(), 1u);
    CloseFrameMaps();
    EXPECT_EQ(Inspect(Names.block).size, 5760000); // someone else's object stays as it was
    ::shm_unlink(Names.block.c_str());

    ReportedMapFailures().clear();
    Names = UniqueTestMapNames();
    PreCreate(Names.permission, 8);
    CreateFrameMaps(Names.block, Names.permission);
    EXPECT_EQ(ReportedMapFailures(), QStringList { "Failed : MapWrite4snapwell Create" });
    EXPECT_NE(FrameBlock(), nullptr);
    EXPECT_EQ(GrabPermission(), nullptr);
    CloseFrameMaps();
    ::shm_unlink(Names.permission.c_str());
}

TEST_F(FrameMapsTest, MapsOfAnotherOwnerAreRefused)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving an object to another user needs root";
    Names = UniqueTestMapNames();
    PreCreate(Names.block, 5760056);
    PreCreate(Names.permission, 4);
    for (const std::string& name : { Names.block, Names.permission }) {
        const int fd = ::shm_open(name.c_str(), O_RDWR, 0);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::fchown(fd, 4242, 4242), 0);
        ::close(fd);
    }
    CreateFrameMaps(Names.block, Names.permission);
    EXPECT_EQ(ReportedMapFailures(),
        (QStringList { "Failed : MapRead4snapwell Create", "Failed : MapWrite4snapwell Create" }));
    EXPECT_EQ(FrameBlock(), nullptr);
    EXPECT_EQ(GrabPermission(), nullptr);
    ::shm_unlink(Names.block.c_str());
    ::shm_unlink(Names.permission.c_str());
}

} // namespace
