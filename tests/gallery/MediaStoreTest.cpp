// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/MediaStore.h"
#include "gallery/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QTime>

#include <cstdlib>

TEST(MediaStore, PathJoinPutsExactlyOneSeparatorAtTheSeam)
{
    EXPECT_EQ(PathJoin(QStringLiteral("/a"), QString()), QStringLiteral("/a"));
    EXPECT_EQ(PathJoin(QString(), QStringLiteral("/Temp/x")), QStringLiteral("/Temp/x"));
    EXPECT_EQ(PathJoin(QStringLiteral("/a/"), QStringLiteral("/Temp")), QStringLiteral("/a/Temp"));
    EXPECT_EQ(PathJoin(QStringLiteral("/a/"), QStringLiteral("Temp")), QStringLiteral("/a/Temp"));
    EXPECT_EQ(PathJoin(QStringLiteral("/a"), QStringLiteral("/Temp")), QStringLiteral("/a/Temp"));
    EXPECT_EQ(PathJoin(QStringLiteral("/a"), QStringLiteral("Temp")), QStringLiteral("/a/Temp"));
    EXPECT_EQ(
        PathJoin(QStringLiteral("/"), QStringLiteral("/Temp/glcam.wmv")), QStringLiteral("/Temp/glcam.wmv"));
}

TEST(MediaStore, ClipTimesHaveTheFifteenDigitForm)
{
    const QTime afternoon(15, 39, 20);
    EXPECT_EQ(FormatClipTime(DayFraction(afternoon), u'.'), QStringLiteral("6.52314814814815E-001"));
    EXPECT_EQ(FormatClipTime(DayFraction(afternoon), u','), QStringLiteral("6,52314814814815E-001"));
    EXPECT_EQ(FormatClipTime(DayFraction(QTime(0, 0)), u'.'), QStringLiteral("0.00000000000000E+000"));
    EXPECT_EQ(FormatClipTime(DayFraction(QTime(12, 0)), u'.'), QStringLiteral("5.00000000000000E-001"));
    // Milliseconds count: one millisecond after midnight.
    EXPECT_EQ(FormatClipTime(DayFraction(QTime(0, 0, 0, 1)), u'.'), QStringLiteral("1.15740740740741E-008"));
}

TEST(MediaStore, ClipNamesCarryTheRecordingType)
{
    const QTime afternoon(15, 39, 20);
    EXPECT_EQ(ClipFileName(QStringLiteral("/home/u/run"), 1, afternoon, u'.'),
        QStringLiteral("/home/u/run/Temp/GLV_temp_6.52314814814815E-001.wmv"));
    EXPECT_EQ(ClipFileName(QStringLiteral("/home/u/run"), 0, afternoon, u','),
        QStringLiteral("/home/u/run/Temp/GLV_temp_6,52314814814815E-001.avi"));
    EXPECT_EQ(ClipFileName(QStringLiteral("/"), 0, QTime(0, 0), u'.'),
        QStringLiteral("/Temp/GLV_temp_0.00000000000000E+000.avi"));
    EXPECT_EQ(ClipFileName(QStringLiteral("/home/u/run"), 2, afternoon, u'.'),
        QStringLiteral("/home/u/run/Temp/GLV_temp_6.52314814814815E-001.mp4"));
    EXPECT_EQ(ClipFileName(QStringLiteral("/home/u/run"), 3, afternoon, u'.'),
        QStringLiteral("/home/u/run/Temp/GLV_temp_6.52314814814815E-001.webm"));
}

TEST(MediaStore, CopiesKeepTheExtensionOfTheirRecordingType)
{
    EXPECT_EQ(ClipExtensionOf(QStringLiteral("/t/GLV_temp_1.mp4")), QStringLiteral("mp4"));
    EXPECT_EQ(ClipExtensionOf(QStringLiteral("/t/clip.WebM")), QStringLiteral("webm"));
    EXPECT_EQ(ClipExtensionOf(QStringLiteral("/t/clip.AVI")), QStringLiteral("avi"));
    EXPECT_EQ(ClipExtensionOf(QStringLiteral("/t/clip.wmv")), QStringLiteral("wmv"));
    // Anything else was recorded as Windows Media.
    EXPECT_EQ(ClipExtensionOf(QStringLiteral("/t/clip.asf")), QStringLiteral("wmv"));
    EXPECT_EQ(ClipAttachmentName(QStringLiteral("/srv/cam"), QStringLiteral("webm")),
        QStringLiteral("/srv/cam/Temp/glcam.webm"));
}

TEST(MediaStore, SeparatorComesFromTheUsersNumericLocale)
{
    // Only C-like locales are generated on the build machine, so the comma
    // case is covered by FormatClipTime above; here the C locale gives '.'.
    const QByteArray saved = qgetenv("LC_ALL");
    qputenv("LC_ALL", "C");
    EXPECT_EQ(LocaleDecimalSeparator(), QChar(u'.'));
    // A locale that does not exist falls back to the point, not to nothing.
    qputenv("LC_ALL", "xx_NOWHERE.UTF-8");
    EXPECT_EQ(LocaleDecimalSeparator(), QChar(u'.'));
    qputenv("LC_ALL", saved);
}

TEST(MediaStore, AttachmentAndExportNamesKeepBothForms)
{
    EXPECT_EQ(PhotoAttachmentName(QStringLiteral("/")), QStringLiteral("/Temp/glacam.jpg"));
    EXPECT_EQ(PhotoAttachmentName(QStringLiteral("/srv/cam")), QStringLiteral("/srv/cam/Temp/glcam.jpg"));
    EXPECT_EQ(ClipAttachmentName(QStringLiteral("/")), QStringLiteral("/Temp/glcam.wmv"));
    EXPECT_EQ(ClipAttachmentName(QStringLiteral("/srv/cam")), QStringLiteral("/srv/cam/Temp/glcam.wmv"));
    EXPECT_EQ(ViewerExportName(QStringLiteral("/home/u/Documents")),
        QStringLiteral("/home/u/Documents/snapshot.bmp"));
    EXPECT_EQ(ViewerExportName(QStringLiteral("/home/u/Documents/")),
        QStringLiteral("/home/u/Documents/snapshot.bmp"));
}

TEST(MediaStore, BaseFolderStaysWhereItWasCaptured)
{
    SetBaseFolder(QStringLiteral("/srv/cam"));
    EXPECT_EQ(BaseFolder(), QStringLiteral("/srv/cam"));
    EXPECT_EQ(TempFolder(), QStringLiteral("/srv/cam/Temp"));
    SetBaseFolder(QStringLiteral("/"));
    EXPECT_EQ(TempFolder(), QStringLiteral("/Temp"));
}

namespace {

TEST(TempFolderOnDisk, MissingIsMadeAndAnUnusableOneIsTold)
{
    QTemporaryDir base;
    SetBaseFolder(base.path());
    EXPECT_TRUE(PrepareTempFolder());
    EXPECT_TRUE(QFileInfo(base.filePath("Temp")).isDir());
    EXPECT_TRUE(QDir(base.filePath("Temp")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));

    // A regular file where the folder should be.
    ASSERT_TRUE(QDir(base.path()).rmdir("Temp"));
    {
        QFile file(base.filePath("Temp"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_FALSE(PrepareTempFolder());
    ASSERT_TRUE(QFile::remove(base.filePath("Temp")));

    // A read-only file system (root passes every permission check).
    ASSERT_TRUE(QDir(base.path()).mkdir("Temp"));
    const QByteArray temp = QFile::encodeName(base.filePath("Temp"));
    if (::geteuid() == 0
        && ::mount("tmpfs", temp.constData(), "tmpfs", MS_RDONLY, "size=64k,mode=0700") == 0) {
        EXPECT_FALSE(PrepareTempFolder());
        ::umount2(temp.constData(), MNT_DETACH);
    } else if (::geteuid() != 0) {
        ASSERT_TRUE(
            QFile::setPermissions(base.filePath("Temp"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        EXPECT_FALSE(PrepareTempFolder());
    }

    // A link at a file's name is dropped, its target left alone.
    ASSERT_TRUE(QFile::link(base.filePath("elsewhere"), base.filePath("link")));
    DropLinkAt(base.filePath("link"));
    EXPECT_FALSE(QFileInfo::exists(base.filePath("link")) || QFileInfo(base.filePath("link")).isSymLink());
}

} // namespace
