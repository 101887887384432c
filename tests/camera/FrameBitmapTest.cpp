// SPDX-License-Identifier: GPL-2.0-or-later
#include "camera/FrameBitmap.h"
#include "CameraTestFixture.h"
#include "camera/SnapshotLoader.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>

#include <gmock/gmock.h>

#include <sys/mount.h>
#include <unistd.h>

namespace {

QString Identify(const QString& file)
{
    QProcess identify;
    identify.start("identify", { "-format", "%m %w %h %z %r", file });
    if (!identify.waitForFinished(30000) || identify.exitCode() != 0)
        return "identify failed: " + QString::fromLocal8Bit(identify.readAllStandardError());
    return QString::fromLocal8Bit(identify.readAllStandardOutput()).trimmed();
}

uint32_t Le32At(const QByteArray& data, int offset)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<uint8_t>(data[offset + i]);
    return value;
}

// Top half red, bottom half blue, a green first column: any flip shows.
Bgr Quadrants(int32_t x, int32_t y, int32_t height)
{
    if (x == 0)
        return { 0, 255, 0 };
    return y < height / 2 ? Bgr { 0, 0, 255 } : Bgr { 255, 0, 0 };
}

using FrameBitmapFile = CameraTest;

TEST_F(FrameBitmapFile, SnapshotIsATrueUprightBmpOfTheFrame)
{
    OpenMaps();
    Sink->PutFrame(640, 480, [](int32_t x, int32_t y) { return Quadrants(x, y, 480); });
    ASSERT_TRUE(Controller.TakeSnapshot());

    const QString file = Folder.path() + "/Temp/scb.bmp";
    EXPECT_EQ(Controller.SnapshotFileName(), file);
    QFile bmp(file);
    ASSERT_TRUE(bmp.open(QIODevice::ReadOnly));
    const QByteArray data = bmp.readAll();
    ASSERT_EQ(data.size(), 921654);
    EXPECT_EQ(data.left(2), "BM");
    EXPECT_EQ(Le32At(data, 2), 921654u);
    EXPECT_EQ(Le32At(data, 6), 0u);
    EXPECT_EQ(Le32At(data, 10), 54u);
    EXPECT_EQ(data.mid(14, 40), QByteArray(reinterpret_cast<const char*>(FrameBlock()) + 5760000, 40));

    EXPECT_EQ(Identify(file), "BMP3 640 480 8 DirectClass sRGB");
    const QImage picture(file);
    EXPECT_EQ(picture.pixel(1, 0), qRgb(255, 0, 0));
    EXPECT_EQ(picture.pixel(639, 239), qRgb(255, 0, 0));
    EXPECT_EQ(picture.pixel(639, 240), qRgb(0, 0, 255));
    EXPECT_EQ(picture.pixel(1, 479), qRgb(0, 0, 255));
    EXPECT_EQ(picture.pixel(0, 479), qRgb(0, 255, 0));
    EXPECT_EQ(Controller.SnapshotImage().convertToFormat(picture.format()), picture);
}

TEST_F(FrameBitmapFile, PicturesOfOtherLayoutsAreReadByTheGeneralReader)
{
    QImage odd(3, 2, QImage::Format_RGB32); // rows padded to 4 bytes in a BMP
    odd.fill(qRgb(10, 20, 30));
    odd.setPixel(0, 0, qRgb(200, 100, 50));
    for (const char* format : { "BMP", "PNG" }) {
        const QString file = Folder.filePath(QString("odd.") + format);
        ASSERT_TRUE(odd.save(file, format));
        const QImage back = LoadSnapshotPicture(file);
        EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), odd) << format;
    }
    QFile text(Folder.filePath("text.bmp"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("BM not a picture");
    text.close();
    EXPECT_TRUE(LoadSnapshotPicture(text.fileName()).isNull());
    EXPECT_TRUE(LoadSnapshotPicture(Folder.filePath("missing.bmp")).isNull());
}

TEST_F(FrameBitmapFile, EverySizeOfTheTableIsWrittenWhole)
{
    OpenMaps();
    for (const TVideoFormat& format : VideoFormats) {
        SCOPED_TRACE(format.Name);
        Sink->PutFrame(format.Width, format.Height,
            [&](int32_t x, int32_t y) { return Quadrants(x, y, format.Height); });
        const QString file = Folder.filePath(QString(format.Name) + ".bmp");
        ASSERT_TRUE(Controller.SaveFrameAsBitmap(file));
        EXPECT_EQ(QFileInfo(file).size(), qint64(format.Width) * format.Height * 3 + 54);
        EXPECT_EQ(
            Identify(file), QString("BMP3 %1 %2 8 DirectClass sRGB").arg(format.Width).arg(format.Height));
        const QImage picture(file);
        EXPECT_EQ(picture.pixel(format.Width - 1, 0), qRgb(255, 0, 0));
        EXPECT_EQ(picture.pixel(format.Width - 1, format.Height - 1), qRgb(0, 0, 255));
    }
}

TEST_F(FrameBitmapFile, ZeroHeightGivesTheHeadersOnly)
{
    OpenMaps();
    Sink->PutFrame(640, 480, [](int32_t, int32_t) { return Bgr { 9, 9, 9 }; });
    Sink->SetHeaderWords(640, 0, 24);
    const QString file = Folder.filePath("empty.bmp");
    ASSERT_TRUE(Controller.SaveFrameAsBitmap(file));
    QFile bmp(file);
    ASSERT_TRUE(bmp.open(QIODevice::ReadOnly));
    const QByteArray data = bmp.readAll();
    ASSERT_EQ(data.size(), 54);
    EXPECT_EQ(Le32At(data, 2), 54u);
    EXPECT_EQ(Le32At(data, 10), 54u);
}

TEST_F(FrameBitmapFile, HeaderWordsBeyondThePixelAreaWriteNothing)
{
    OpenMaps();
    Sink->PutFrame(320, 240, [](int32_t, int32_t) { return Bgr { 9, 9, 9 }; });
    const QString file = Folder.filePath("kept.bmp");
    {
        QFile earlier(file);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier picture");
    }
    struct Words {
        int32_t width, height;
        uint32_t bitCount;
    };
    for (const Words words : { Words { 1600, 1201, 24 }, Words { 1601, 1200, 24 }, Words { 320, -240, 24 },
             Words { -320, 240, 24 }, Words { 1600, 1200, 32 }, Words { 65536, 65536, 24 },
             Words { 1, 2000000, 0xFFFFFFFFu } }) {
        SCOPED_TRACE(testing::Message() << words.width << "x" << words.height << "x" << words.bitCount);
        Sink->SetHeaderWords(words.width, words.height, words.bitCount);
        EXPECT_FALSE(Controller.SaveFrameAsBitmap(file));
        EXPECT_FALSE(Controller.SaveFrameAsBitmap(Folder.filePath("new.bmp")));
        EXPECT_FALSE(QFile::exists(Folder.filePath("new.bmp")));
    }
    QFile kept(file);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "earlier picture");

    // A 32-bit count takes rows of width x 4 bytes, still 3 bytes a pixel apart.
    const auto layout = FrameBitmapLayout(1280, 1024, 32);
    ASSERT_TRUE(layout.has_value());
    EXPECT_EQ(layout->ImageSize, 1280u * 1024 * 4);
    EXPECT_EQ(layout->RowBytes, 1280u * 4);
    EXPECT_EQ(layout->RowStride, 1280u * 3);
}

TEST_F(FrameBitmapFile, MissingTempFolderFailsTheSnapshotAndIsNotMade)
{
    OpenMaps();
    Sink->PutFrame(320, 240, [](int32_t, int32_t) { return Bgr { 9, 9, 9 }; });
    ASSERT_TRUE(QDir(Folder.path()).rmdir("Temp"));
    EXPECT_FALSE(Controller.TakeSnapshot());
    EXPECT_FALSE(QDir(Folder.filePath("Temp")).exists());
    EXPECT_EQ(Permission(), 1u);
    EXPECT_TRUE(Controller.SnapshotImage().isNull());
}

TEST_F(FrameBitmapFile, ALinkAtTheSnapshotNameIsReplacedNeverFollowed)
{
    OpenMaps();
    Sink->PutFrame(320, 240, [](int32_t, int32_t) { return Bgr { 9, 9, 9 }; });
    const QString target = Folder.filePath("precious.txt");
    {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    const QString snapshot = Folder.filePath("Temp/scb.bmp");
    ASSERT_TRUE(QFile::link(target, snapshot));
    ASSERT_TRUE(Controller.TakeSnapshot());
    EXPECT_FALSE(QFileInfo(snapshot).isSymLink());
    EXPECT_TRUE(Identify(snapshot).startsWith("BMP3 320 240 8 DirectClass"));
    QFile kept(target);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("keep me"));
}

TEST_F(FrameBitmapFile, AFullDiskFailsTheSnapshotAndLeavesNoHalfFile)
{
    const QByteArray temp = QFile::encodeName(Folder.filePath("Temp"));
    if (::geteuid() != 0 || ::mount("tmpfs", temp.constData(), "tmpfs", 0, "size=64k,mode=0700") != 0)
        GTEST_SKIP() << "a small file system of the test's own needs root";
    OpenMaps();
    Sink->PutFrame(640, 480, [](int32_t x, int32_t y) { return Quadrants(x, y, 480); });
    const bool taken = Controller.TakeSnapshot();
    const bool leftover = QFileInfo::exists(Folder.filePath("Temp/scb.bmp"));
    ::umount2(temp.constData(), MNT_DETACH);
    EXPECT_FALSE(taken);
    EXPECT_FALSE(leftover);
    EXPECT_EQ(Permission(), 1u);
}

} // namespace
