// SPDX-License-Identifier: GPL-2.0-or-later
#include "CameraTestFixture.h"
#include "SmallTmpfs.h"

#include <QFile>
#include <QTemporaryDir>

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
    struct stat st { };
    if (::lstat(name.c_str(), &st) == 0)
        object = { true, st.st_size, st.st_mode & 07777, st.st_uid };
    return object;
}

// Stands for an object some other party made before the application started.
void PreCreate(const std::string& name, off_t size, const char* content = nullptr, mode_t mode = 0600)
{
    const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::fchmod(fd, mode), 0);
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
    ::unlink(Names.block.c_str());
    ::unlink(Names.permission.c_str());
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
    ::unlink(Names.block.c_str());

    ReportedMapFailures().clear();
    Names = UniqueTestMapNames();
    PreCreate(Names.permission, 8);
    CreateFrameMaps(Names.block, Names.permission);
    EXPECT_EQ(ReportedMapFailures(), QStringList { "Failed : MapWrite4snapwell Create" });
    EXPECT_NE(FrameBlock(), nullptr);
    EXPECT_EQ(GrabPermission(), nullptr);
    CloseFrameMaps();
    ::unlink(Names.permission.c_str());
}

TEST_F(FrameMapsTest, MapsOfAnotherOwnerAreRefused)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving an object to another user needs root";
    Names = UniqueTestMapNames();
    PreCreate(Names.block, 5760056);
    PreCreate(Names.permission, 4);
    for (const std::string& name : { Names.block, Names.permission }) {
        ASSERT_EQ(::chown(name.c_str(), 4242, 4242), 0);
    }
    CreateFrameMaps(Names.block, Names.permission);
    EXPECT_EQ(ReportedMapFailures(),
        (QStringList { "Failed : MapRead4snapwell Create", "Failed : MapWrite4snapwell Create" }));
    EXPECT_EQ(FrameBlock(), nullptr);
    EXPECT_EQ(GrabPermission(), nullptr);
    ::unlink(Names.block.c_str());
    ::unlink(Names.permission.c_str());
}

TEST_F(FrameMapsTest, MapsOpenToOthersOrNotPlainFilesAreRefused)
{
    // A map another account may write into could feed the program garbage frames.
    Names = UniqueTestMapNames();
    PreCreate(Names.block, 5760056, nullptr, 0666);
    PreCreate(Names.permission, 4, nullptr, 0640);
    CreateFrameMaps(Names.block, Names.permission);
    EXPECT_EQ(ReportedMapFailures(),
        (QStringList { "Failed : MapRead4snapwell Create", "Failed : MapWrite4snapwell Create" }));
    EXPECT_EQ(FrameBlock(), nullptr);
    EXPECT_EQ(Inspect(Names.block).mode, 0666u); // refused, and left as it was
    CloseFrameMaps();
    ::unlink(Names.block.c_str());
    ::unlink(Names.permission.c_str());

    // A link at a map's name is never followed, whatever it points at.
    ReportedMapFailures().clear();
    Names = UniqueTestMapNames();
    const std::string target = Names.block + ".target";
    PreCreate(target, 5760056);
    ASSERT_EQ(::symlink(target.c_str(), Names.block.c_str()), 0);
    CreateFrameMaps(Names.block, Names.permission);
    EXPECT_EQ(ReportedMapFailures(), QStringList { "Failed : MapRead4snapwell Create" });
    EXPECT_EQ(FrameBlock(), nullptr);
    CloseFrameMaps();
    ::unlink(Names.block.c_str());
    ::unlink(target.c_str());
}

TEST_F(FrameMapsTest, AFolderWithoutRoomIsAFailedMapNeverAFault)
{
    glimview_test::SmallTmpfs disk("256k");
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    glimview_test::RuntimeFolderOverride runtime(disk.Path());
    const std::string block = frameblock::MapFilePath(frameblock::kFrameBlockMapName);
    ASSERT_EQ(block.rfind(disk.Path() + "/", 0), 0u) << block;

    // The block's 5.5 MB are reserved at creation: it fails there, and no
    // half-made file stays. The small permission map is made.
    CreateFrameMaps();
    EXPECT_EQ(ReportedMapFailures(), QStringList { "Failed : MapRead4snapwell Create" });
    EXPECT_EQ(FrameBlock(), nullptr);
    EXPECT_NE(GrabPermission(), nullptr);
    EXPECT_FALSE(FrameMapsReady());
    EXPECT_EQ(FrameMapsFolder().toStdString(), disk.Path());
    EXPECT_FALSE(Inspect(block).exists);

    // Snapshots and recordings are refused, and nothing is recorded.
    EXPECT_FALSE(Controller.TakeSnapshot());
    EXPECT_FALSE(Controller.StartRecording(Folder.filePath(QStringLiteral("clip.avi"))));
    EXPECT_FALSE(Controller.Recording());
    EXPECT_TRUE(recording_vidcore::Calls().empty());
    CloseFrameMaps();

    // A block an earlier copy left only sized (sparse) gets its space
    // reserved before it is taken; without room it is refused.
    ReportedMapFailures().clear();
    PreCreate(block, 5760056);
    CreateFrameMaps();
    EXPECT_EQ(ReportedMapFailures(), QStringList { "Failed : MapRead4snapwell Create" });
    EXPECT_EQ(FrameBlock(), nullptr);
    CloseFrameMaps();
    ::unlink(block.c_str());

    // With room, both are made and reserved in full.
    ReportedMapFailures().clear();
    glimview_test::SmallTmpfs roomy("8m");
    ASSERT_TRUE(roomy.Mounted());
    glimview_test::RuntimeFolderOverride roomyRuntime(roomy.Path());
    CreateFrameMaps();
    EXPECT_TRUE(ReportedMapFailures().isEmpty());
    EXPECT_TRUE(FrameMapsReady());
    struct stat st { };
    ASSERT_EQ(::stat(frameblock::MapFilePath(frameblock::kFrameBlockMapName).c_str(), &st), 0);
    EXPECT_GE(st.st_blocks * 512, 5760056);
    CloseFrameMaps();
}

TEST_F(FrameMapsTest, MapFilesLiveInThePrivateRuntimeFolderUnderTheTestSuffix)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    ASSERT_EQ(::chmod(QFile::encodeName(runtime.path()).constData(), 0700), 0);
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray savedSuffix = qgetenv(frameblock::kMapSuffixVariable);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    qputenv(frameblock::kMapSuffixVariable, ".maps-test");

    const std::string block = runtime.filePath("readsync4snapwell_Quillon.maps-test").toStdString();
    EXPECT_EQ(frameblock::MapFilePath(frameblock::kFrameBlockMapName), block);
    EXPECT_EQ(frameblock::MapFilePath(frameblock::kPermissionMapName),
        runtime.filePath("writesync4snapwell_Quillon.maps-test").toStdString());
    CreateFrameMaps();
    EXPECT_TRUE(ReportedMapFailures().isEmpty());
    EXPECT_EQ(Inspect(block).size, 5760056);
    EXPECT_EQ(Inspect(block).mode, 0600u);
    CloseFrameMaps();
    EXPECT_FALSE(Inspect(block).exists);

    // A runtime folder others may enter is not used: the private one under
    // the home is, made with mode 0700; /tmp only when that path is too long
    // for a socket name.
    ASSERT_EQ(::chmod(QFile::encodeName(runtime.path()).constData(), 01777), 0);
    const QByteArray savedState = qgetenv("XDG_STATE_HOME");
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
    const std::string stateRun = state.filePath("glimview/run").toStdString();
    EXPECT_EQ(frameblock::MapFilePath(frameblock::kFrameBlockMapName),
        stateRun + "/readsync4snapwell_Quillon.maps-test");
    EXPECT_EQ(Inspect(stateRun).mode, 0700u);
    const QString longState = state.filePath(QString(80, u'x'));
    qputenv("XDG_STATE_HOME", QFile::encodeName(longState));
    EXPECT_EQ(runtimefolder::FallbackFolder(), runtimefolder::PrivateTmpFolder());
    if (savedState.isNull())
        qunsetenv("XDG_STATE_HOME");
    else
        qputenv("XDG_STATE_HOME", savedState);

    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    if (savedSuffix.isNull())
        qunsetenv(frameblock::kMapSuffixVariable);
    else
        qputenv(frameblock::kMapSuffixVariable, savedSuffix);
}

} // namespace
