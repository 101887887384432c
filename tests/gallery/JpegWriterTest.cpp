#include "FileCreateError.h"
#include "GalleryTestSupport.h"
#include "JpegWriter.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

namespace {

QString Identify(const QString& format, const QString& file)
{
    return QString::fromUtf8(RunTool(QStringLiteral("identify"), { QStringLiteral("-format"), format, file })).trimmed();
}

} // namespace

TEST(JpegWriter, WritesABaselineColourJpegOfQuality90)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // An odd width makes RGB888 rows padded: the writer must not assume width x 3.
    const QImage picture = QuarteredPicture(641, 481).convertToFormat(QImage::Format_RGB888);
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    SaveBitmapAsJpeg(picture, path);

    EXPECT_EQ(Identify(QStringLiteral("%m %w %h %Q %[colorspace]"), path), QStringLiteral("JPEG 641 481 90 sRGB"));
    const QString verbose = QString::fromUtf8(RunTool(QStringLiteral("identify"), { QStringLiteral("-verbose"), path }));
    EXPECT_TRUE(verbose.contains(QStringLiteral("Interlace: None"))) << "progressive JPEG";
    // Three components, chroma halved both ways: colour, 4:2:0.
    EXPECT_EQ(Identify(QStringLiteral("%[jpeg:sampling-factor]"), path), QStringLiteral("2x2,1x1,1x1"));

    // The pixels come back as they went in (within JPEG's loss), the right way round.
    const QImage back(path);
    ASSERT_EQ(back.size(), picture.size());
    const auto near = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) < 12 && std::abs(qGreen(a) - qGreen(b)) < 12 && std::abs(qBlue(a) - qBlue(b)) < 12;
    };
    EXPECT_TRUE(near(back.pixel(100, 100), picture.pixel(100, 100)));
    EXPECT_TRUE(near(back.pixel(540, 100), picture.pixel(540, 100)));
    EXPECT_TRUE(near(back.pixel(100, 400), picture.pixel(100, 400)));
    EXPECT_TRUE(near(back.pixel(540, 400), picture.pixel(540, 400)));
}

TEST(JpegWriter, ReplacesAnEarlierFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(3'000'000, 'x'));
    }
    SaveBitmapAsJpeg(QuarteredPicture(160, 120), path);
    EXPECT_LT(QFile(path).size(), 100'000);
    EXPECT_EQ(Identify(QStringLiteral("%m %w %h"), path), QStringLiteral("JPEG 160 120"));
}

TEST(JpegWriter, AFileThatCannotBeWrittenRaisesTheCreationErrorAndLeavesNothing)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/photo.jpg"));
    try {
        SaveBitmapAsJpeg(QuarteredPicture(64, 48), missing);
        FAIL() << "no error";
    } catch (const EFCreateError& error) {
        EXPECT_NE(std::string(error.what()).find(missing.toStdString()), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("No such file or directory"), std::string::npos) << error.what();
    }

    // A full device: libjpeg's write failure comes back as the same error
    // instead of ending the process, and the partial file is removed.
    if (QFile::exists(QStringLiteral("/dev/full"))) {
        EXPECT_THROW(SaveBitmapAsJpeg(QuarteredPicture(1600, 1200), QStringLiteral("/dev/full")), EFCreateError);
    }
}
