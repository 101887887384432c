// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/JpegWriter.h"
#include "GalleryTestSupport.h"
#include "core/LanguageTexts.h"
#include "gallery/FileCreateError.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Detail everywhere, so the JPEG is large.
QImage FramePicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb((x * 7 + y) & 255, (y * 5 + x) & 255, (x ^ y) & 255));
    return picture;
}

QString Identify(const QString& format, const QString& file)
{
    return QString::fromUtf8(RunTool(QStringLiteral("identify"), { QStringLiteral("-format"), format, file }))
        .trimmed();
}

} // namespace

TEST(JpegWriter, WritesABaselineColourJpegOfQuality90)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // An odd width makes RGB888 rows padded: the writer must not assume width x 3.
    const QImage picture = QuarteredPicture(641, 481).convertToFormat(QImage::Format_RGB888);
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    SaveBitmapAsJpeg(picture, path, TReplace::No);

    EXPECT_EQ(
        Identify(QStringLiteral("%m %w %h %Q %[colorspace]"), path), QStringLiteral("JPEG 641 481 90 sRGB"));
    const QString verbose
        = QString::fromUtf8(RunTool(QStringLiteral("identify"), { QStringLiteral("-verbose"), path }));
    EXPECT_TRUE(verbose.contains(QStringLiteral("Interlace: None"))) << "progressive JPEG";
    // Three components, chroma halved both ways: colour, 4:2:0.
    EXPECT_EQ(Identify(QStringLiteral("%[jpeg:sampling-factor]"), path), QStringLiteral("2x2,1x1,1x1"));

    // The pixels come back as they went in (within JPEG's loss), the right way round.
    const QImage back(path);
    ASSERT_EQ(back.size(), picture.size());
    const auto near = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) < 12 && std::abs(qGreen(a) - qGreen(b)) < 12
            && std::abs(qBlue(a) - qBlue(b)) < 12;
    };
    EXPECT_TRUE(near(back.pixel(100, 100), picture.pixel(100, 100)));
    EXPECT_TRUE(near(back.pixel(540, 100), picture.pixel(540, 100)));
    EXPECT_TRUE(near(back.pixel(100, 400), picture.pixel(100, 400)));
    EXPECT_TRUE(near(back.pixel(540, 400), picture.pixel(540, 400)));
}

TEST(JpegWriter, MatchesCjpegAtQuality90ByteForByte)
{
    QTemporaryDir dir;
    const QImage picture = QuarteredPicture(333, 217);
    const QString ppm = dir.filePath(QStringLiteral("photo.ppm"));
    ASSERT_TRUE(picture.convertToFormat(QImage::Format_RGB888).save(ppm, "PPM"));
    const QString reference = dir.filePath(QStringLiteral("cjpeg.jpg"));
    int exitCode = -1;
    RunTool(QStringLiteral("cjpeg"),
        { QStringLiteral("-quality"), QStringLiteral("90"), QStringLiteral("-outfile"), reference, ppm },
        &exitCode);
    ASSERT_EQ(exitCode, 0) << "cjpeg (libjpeg-turbo-progs) is needed";
    const QString ours = dir.filePath(QStringLiteral("ours.jpg"));
    SaveBitmapAsJpeg(picture, ours, TReplace::No);
    QFile a(reference), b(ours);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_TRUE(a.readAll() == b.readAll());
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
    SaveBitmapAsJpeg(QuarteredPicture(160, 120), path, TReplace::Confirmed);
    EXPECT_LT(QFile(path).size(), 100'000);
    EXPECT_EQ(Identify(QStringLiteral("%m %w %h"), path), QStringLiteral("JPEG 160 120"));
}

TEST(JpegWriter, AFileThatCannotBeWrittenRaisesTheCreationErrorAndLeavesNothing)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/photo.jpg"));
    // The report names the file in the language of the loaded file, then gives the system's reason.
    const TLanguageTexts before = LanguageTexts;
    LanguageTexts = LoadLanguageTexts(QStringLiteral(GLIMVIEW_SOURCE_DIR), LanguageForLangId(0x0407));
    try {
        SaveBitmapAsJpeg(QuarteredPicture(64, 48), missing, TReplace::No);
        ADD_FAILURE() << "no error";
    } catch (const EFCreateError& error) {
        EXPECT_EQ(QString::fromUtf8(error.what()),
            QStringLiteral("Die Datei „%1“ kann nicht erstellt werden. No such file or directory")
                .arg(missing))
            << error.what();
    }
    LanguageTexts = before;

    // A disk that fills up mid-write (a file size limit stands in for it):
    // the creation error, and no partial photo left behind.
    const QString full = dir.filePath(QStringLiteral("full.jpg"));
    rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 20000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    bool raised = false;
    try {
        SaveBitmapAsJpeg(FramePicture(1600, 1200), full, TReplace::No);
    } catch (const EFCreateError& error) {
        raised = std::string(error.what()).find("File too large") != std::string::npos;
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedSignal);
    EXPECT_TRUE(raised);
    EXPECT_FALSE(QFile::exists(full));
}

namespace {

// The result of `body` run in a child process that has become `uid` (or
// stayed root for uid 0); -1 when it could not be run.
int InChild(uid_t uid, const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (uid != 0 && (::setgroups(0, nullptr) != 0 || ::setgid(gid_t(uid)) != 0 || ::setuid(uid) != 0))
            ::_exit(100);
        ::_exit(body());
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// Another member of a group-shared folder plants links under the names the
// save suggests: the photo never goes to the link's target, and the link is
// replaced only when confirmed and the user's own.
TEST(JpegWriter, LinksPlantedInASharedFolderAreNeverWrittenThrough)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "another account needs root";
    constexpr uid_t Nobody = 65534;
    QTemporaryDir dir;
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    const QString shared = dir.filePath(QStringLiteral("shared"));
    const QString victim = dir.filePath(QStringLiteral("victim.jpg"));
    ASSERT_TRUE(QDir().mkpath(shared));
    ASSERT_EQ(::chown(QFile::encodeName(shared).constData(), 0, Nobody), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 02777), 0);
    const QString planted = shared + QStringLiteral("/Glimview 2026-12-08 14-03-27.jpg");
    const QByteArray link = QFile::encodeName(planted);
    const QByteArray target = QFile::encodeName(victim);
    ASSERT_EQ(
        InChild(Nobody, [&] { return ::symlink(target.constData(), link.constData()) == 0 ? 0 : 1; }), 0);

    for (const TReplace replace : { TReplace::No, TReplace::Confirmed }) {
        EXPECT_THROW(SaveBitmapAsJpeg(QuarteredPicture(64, 48), planted, replace), EFCreateError);
        EXPECT_FALSE(QFile::exists(victim));
        EXPECT_EQ(QFileInfo(planted).symLinkTarget(), victim) << "the link is left alone";
    }
    // The user's own link is replaced itself when confirmed, never followed.
    const QString own = shared + QStringLiteral("/own.jpg");
    ASSERT_TRUE(QFile::link(victim, own));
    SaveBitmapAsJpeg(QuarteredPicture(64, 48), own, TReplace::Confirmed);
    EXPECT_FALSE(QFile::exists(victim));
    EXPECT_FALSE(QFileInfo(own).isSymLink());
    EXPECT_EQ(Identify(QStringLiteral("%m %w %h"), own), QStringLiteral("JPEG 64 48"));

    // Another account's file, set-id and open to all, replaced when
    // confirmed: the photo gets the mode a new file gets, not that one's.
    const QString foreign = shared + QStringLiteral("/foreign.jpg");
    const QByteArray foreignName = QFile::encodeName(foreign);
    ASSERT_EQ(InChild(Nobody,
                  [&] {
                      const int fd = ::open(foreignName.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
                      return fd >= 0 && ::fchmod(fd, 06777) == 0 && ::close(fd) == 0 ? 0 : 1;
                  }),
        0);
    const mode_t mask = ::umask(022);
    ::umask(mask);
    SaveBitmapAsJpeg(QuarteredPicture(64, 48), foreign, TReplace::Confirmed);
    struct stat info { };
    ASSERT_EQ(::lstat(foreignName.constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0666 & ~mask);
    EXPECT_EQ(info.st_uid, ::geteuid());
}

// A replace that meets a full disk leaves the old photo whole: the new one
// is written beside it and renamed over it only when complete.
TEST(JpegWriter, AFullDiskDuringAReplaceLeavesTheOldPhoto)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "a small file system of the test's own needs root";
    QTemporaryDir dir;
    const QByteArray mountPoint = QFile::encodeName(dir.path());
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    const QImage picture = FramePicture(1600, 1200);
    // In a child with a mount namespace of its own, so the mount goes with it.
    const int result = InChild(0, [&] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=256k") != 0)
            return 10;
        QFile old(path);
        if (!old.open(QIODevice::WriteOnly) || old.write(QByteArray(150'000, 'o')) != 150'000)
            return 11;
        old.close();
        try {
            SaveBitmapAsJpeg(picture, path, TReplace::Confirmed);
            return 12; // a 1600x1200 photo does not fit in what is left
        } catch (const EFCreateError&) {
        }
        if (FileBytes(path) != QByteArray(150'000, 'o'))
            return 13;
        if (QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size() != 1)
            return 14; // no temporary file left behind
        return 0;
    });
    EXPECT_EQ(result, 0);
}
