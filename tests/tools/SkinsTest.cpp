// SPDX-License-Identifier: GPL-2.0-or-later
// Checks the committed skin pictures against the window layouts they serve:
// every file present with its size, loadable from the linked resources, hard
// fuchsia edges on the window shapes, button pictures that fit their
// backgrounds, backdrops framing the video panel.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSvgRenderer>

#include <gtest/gtest.h>

namespace {

const QString kSkins = QStringLiteral(GLIMVIEW_SOURCE_DIR "/skins");

struct Picture {
    const char* name;
    int width, height;
    const char* back; // background the picture is cut from, if any
    int left, top; // its place on that background
};

// The layouts: main window 354x124, galleries 354x148, six live view sizes.
const Picture kPictures[] = {
    { "main_back.png", 354, 124, nullptr, 0, 0 },
    { "main_hide_up.png", 14, 14, "main_back.png", 283, 24 },
    { "main_hide_over.png", 14, 14, "main_back.png", 283, 24 },
    { "main_hide_down.png", 14, 14, "main_back.png", 283, 24 },
    { "main_close_over.png", 14, 14, "main_back.png", 301, 24 },
    { "main_close_down.png", 14, 14, "main_back.png", 301, 24 },
    { "main_snapshot_over.png", 47, 47, "main_back.png", 54, 47 },
    { "main_snapshot_down.png", 47, 47, "main_back.png", 54, 47 },
    { "main_record_over.png", 47, 47, "main_back.png", 110, 47 },
    { "main_record_down.png", 47, 47, "main_back.png", 110, 47 },
    { "main_image_over.png", 31, 31, "main_back.png", 182, 31 },
    { "main_image_down.png", 31, 31, "main_back.png", 182, 31 },
    { "main_video_over.png", 31, 31, "main_back.png", 240, 31 },
    { "main_video_down.png", 31, 31, "main_back.png", 240, 31 },
    { "main_control_over.png", 31, 31, "main_back.png", 211, 63 },
    { "main_control_down.png", 31, 31, "main_back.png", 211, 63 },
    { "main_format_over.png", 31, 31, "main_back.png", 269, 63 },
    { "main_format_down.png", 31, 31, "main_back.png", 269, 63 },
    { "photos_back.png", 354, 148, nullptr, 0, 0 },
    { "gallery_view_over.png", 31, 31, "photos_back.png", 162, 99 },
    { "gallery_view_down.png", 31, 31, "photos_back.png", 162, 99 },
    { "videos_back.png", 354, 148, nullptr, 0, 0 },
    { "gallery_play_over.png", 31, 31, "videos_back.png", 162, 99 },
    { "gallery_play_down.png", 31, 31, "videos_back.png", 162, 99 },
    { "gallery_left_up.png", 11, 12, "photos_back.png", 17, 83 },
    { "gallery_left_over.png", 11, 12, "photos_back.png", 17, 83 },
    { "gallery_left_down.png", 11, 12, "photos_back.png", 17, 83 },
    { "gallery_right_up.png", 11, 12, "photos_back.png", 326, 83 },
    { "gallery_right_over.png", 11, 12, "photos_back.png", 326, 83 },
    { "gallery_right_down.png", 11, 12, "photos_back.png", 326, 83 },
    { "gallery_track.png", 294, 12, "photos_back.png", 29, 83 },
    { "gallery_thumb_up.png", 33, 12, "photos_back.png", 44, 83 },
    { "gallery_save_over.png", 31, 31, "photos_back.png", 121, 99 },
    { "gallery_save_down.png", 31, 31, "photos_back.png", 121, 99 },
    { "gallery_delete_over.png", 31, 31, "photos_back.png", 203, 99 },
    { "gallery_delete_down.png", 31, 31, "photos_back.png", 203, 99 },
    { "gallery_close_over.png", 14, 14, "photos_back.png", 321, 114 },
    { "gallery_close_down.png", 14, 14, "photos_back.png", 321, 114 },
    { "gallery_email_down.png", 51, 22, "photos_back.png", 241, 103 },
    { "live_sif.jpg", 354, 280, nullptr, 0, 0 },
    { "live_vga.jpg", 674, 519, nullptr, 0, 0 },
    { "live_svga.jpg", 834, 639, nullptr, 0, 0 },
    { "live_xga.jpg", 1058, 807, nullptr, 0, 0 },
    { "live_sxvga.jpg", 1314, 1063, nullptr, 0, 0 },
    { "live_uxga.jpg", 1637, 1243, nullptr, 0, 0 },
    { "icon_16.png", 16, 16, nullptr, 0, 0 },
    { "icon_32.png", 32, 32, nullptr, 0, 0 },
    { "icon_48.png", 48, 48, nullptr, 0, 0 },
    { "icon_64.png", 64, 64, nullptr, 0, 0 },
    { "icon_128.png", 128, 128, nullptr, 0, 0 },
    { "icon_256.png", 256, 256, nullptr, 0, 0 },
};

constexpr QRgb kFuchsia = 0xFFFF00FF;

QStringList qrcEntries()
{
    QFile qrc(kSkins + QStringLiteral("/skins.qrc"));
    if (!qrc.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(qrc.readAll());
    QStringList names;
    static const QRegularExpression entry(QStringLiteral("<file>([^<]+)</file>"));
    for (auto it = entry.globalMatch(text); it.hasNext();)
        names << it.next().captured(1);
    return names;
}

QImage load(const QString& name)
{
    return QImage(kSkins + QLatin1Char('/') + name).convertToFormat(QImage::Format_ARGB32);
}

// "PNG 354 124" as ImageMagick reads the file.
QString identify(const QString& name)
{
    QProcess tool;
    tool.start(QStringLiteral("identify"),
        { QStringLiteral("-format"), QStringLiteral("%m %w %h"), kSkins + QLatin1Char('/') + name });
    if (!tool.waitForFinished(30000) || tool.exitCode() != 0)
        return QStringLiteral("identify failed: ") + QString::fromUtf8(tool.readAllStandardError());
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

bool pinkish(QRgb c) { return qRed(c) - qGreen(c) > 40 && qBlue(c) - qGreen(c) > 40; }

double meanLuma(const QImage& image, const QRect& r)
{
    double sum = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            sum += qGray(image.pixel(x, y));
    return sum / (r.width() * r.height());
}

TEST(Skins, EveryPictureIsListedInTheQrcAndHasItsSize)
{
    const QStringList listed = qrcEntries();
    // Every window picture has a twin of twice the density ("main_back@2x.png");
    // the product icons come in sizes of their own.
    const auto twin = [](const QString& name) {
        const qsizetype dot = name.lastIndexOf(u'.');
        return name.left(dot) + QStringLiteral("@2x") + name.mid(dot);
    };
    QSet<QString> expected;
    for (const Picture& p : kPictures) {
        const QString name = QString::fromLatin1(p.name);
        expected.insert(name);
        if (!name.startsWith(QLatin1String("icon_")))
            expected.insert(twin(name));
    }
    EXPECT_EQ(QSet<QString>(listed.begin(), listed.end()), expected);
    EXPECT_EQ(listed.size(), expected.size()) << "a file is listed twice";

    for (const Picture& p : kPictures) {
        const QString name = QString::fromLatin1(p.name);
        const QString format
            = name.endsWith(QLatin1String(".jpg")) ? QStringLiteral("JPEG") : QStringLiteral("PNG");
        EXPECT_EQ(identify(name), QStringLiteral("%1 %2 %3").arg(format).arg(p.width).arg(p.height))
            << p.name;
        if (!name.startsWith(QLatin1String("icon_"))) {
            EXPECT_EQ(identify(twin(name)),
                QStringLiteral("%1 %2 %3").arg(format).arg(2 * p.width).arg(2 * p.height))
                << p.name;
        }
    }
}

TEST(Skins, DoubleDensityOutlinesFollowWholeWindowPixels)
{
    // Each window pixel of the twin is all fuchsia or none, and matches the
    // outline of the single-density picture: the window's shape, made of
    // window pixels, then cuts away exactly the fuchsia at either density.
    for (const char* name : { "main_back", "photos_back", "videos_back" }) {
        const QImage one
            = load(QString::fromLatin1(name) + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
        const QImage two = load(QString::fromLatin1(name) + QStringLiteral("@2x.png"))
                               .convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(two.size(), one.size() * 2) << name;
        int mismatches = 0;
        for (int y = 0; y < one.height(); ++y)
            for (int x = 0; x < one.width(); ++x) {
                const bool outside = (one.pixel(x, y) & 0xFFFFFF) == 0xFF00FF;
                for (int d = 0; d < 4; ++d)
                    mismatches
                        += ((two.pixel(2 * x + d % 2, 2 * y + d / 2) & 0xFFFFFF) == 0xFF00FF) != outside;
            }
        EXPECT_EQ(mismatches, 0) << name;
    }
}

TEST(Skins, PicturesLoadFromTheLinkedResources)
{
    for (const Picture& p : kPictures) {
        const QImage image(QStringLiteral(":/skins/") + QString::fromLatin1(p.name));
        ASSERT_FALSE(image.isNull()) << p.name;
        EXPECT_EQ(image.size(), QSize(p.width, p.height)) << p.name;
    }
}

TEST(Skins, WindowShapesHaveHardFuchsiaEdges)
{
    for (const char* name : { "main_back.png", "photos_back.png", "videos_back.png" }) {
        const QImage image = load(QString::fromLatin1(name));
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_FALSE(QImage(kSkins + QLatin1Char('/') + QString::fromLatin1(name)).hasAlphaChannel()) << name;
        // The rounded corners are cut out, the middle is panel.
        EXPECT_EQ(image.pixel(0, 0), kFuchsia) << name;
        EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), kFuchsia) << name;
        EXPECT_NE(image.pixel(image.width() / 2, image.height() / 2), kFuchsia) << name;

        int edgePixels = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                ASSERT_EQ(qAlpha(c), 255) << name << " at " << x << "," << y;
                if (c == kFuchsia)
                    continue;
                const bool atEdge = (x > 0 && image.pixel(x - 1, y) == kFuchsia)
                    || (x + 1 < image.width() && image.pixel(x + 1, y) == kFuchsia)
                    || (y > 0 && image.pixel(x, y - 1) == kFuchsia)
                    || (y + 1 < image.height() && image.pixel(x, y + 1) == kFuchsia);
                if (atEdge)
                    ++edgePixels;
                ASSERT_FALSE(atEdge && pinkish(c)) << name << " has a pink fringe pixel at " << x << "," << y;
            }
        }
        EXPECT_GT(edgePixels, image.width() + image.height()) << name; // the outline all round
    }
}

TEST(Skins, ButtonPicturesFitTheirBackgrounds)
{
    for (const Picture& p : kPictures) {
        if (!p.back)
            continue;
        const QString name = QString::fromLatin1(p.name);
        const QImage picture = load(name);
        const QImage under = load(QString::fromLatin1(p.back)).copy(p.left, p.top, p.width, p.height);
        ASSERT_EQ(picture.size(), under.size()) << p.name;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                ASSERT_NE(picture.pixel(x, y), kFuchsia)
                    << p.name << " would punch a hole at " << x << "," << y;

        // A transparent image button sees through its picture's bottom-left
        // colour; drawn that way over the background it must look the same.
        const QRgb see = picture.pixel(0, picture.height() - 1);
        QImage keyed = picture;
        for (int y = 0; y < keyed.height(); ++y)
            for (int x = 0; x < keyed.width(); ++x)
                if (keyed.pixel(x, y) == see)
                    keyed.setPixel(x, y, under.pixel(x, y));
        EXPECT_EQ(keyed, picture) << p.name << " changes when its bottom-left colour is transparent";

        // Resting pictures repeat the background; the thumb is the exception,
        // being absent from the background while there are few photos.
        const bool resting
            = name.endsWith(QLatin1String("_up.png")) || name == QLatin1String("gallery_track.png");
        if (name == QLatin1String("gallery_thumb_up.png") || name == QLatin1String("gallery_email_down.png")
            || !resting)
            EXPECT_NE(picture, under) << p.name << " looks the same as the background";
        else
            EXPECT_EQ(picture, under) << p.name;
        // The border pixels match the background, so no seam shows; the
        // thumb travels along the track, so only its top and bottom rows are
        // bound to the background.
        for (int x = 0; x < picture.width(); ++x) {
            EXPECT_LE(qAbs(qGray(picture.pixel(x, 0)) - qGray(under.pixel(x, 0))), 24)
                << p.name << " top " << x;
        }
    }

    // The gallery pictures other than view and play serve both galleries:
    // both backgrounds agree under them.
    const QImage photos = load(QStringLiteral("photos_back.png"));
    const QImage videos = load(QStringLiteral("videos_back.png"));
    for (const Picture& p : kPictures) {
        const QString name = QString::fromLatin1(p.name);
        if (!name.startsWith(QLatin1String("gallery_")) || name.startsWith(QLatin1String("gallery_view"))
            || name.startsWith(QLatin1String("gallery_play")))
            continue;
        const int left
            = QString::fromLatin1(p.name) == QLatin1String("gallery_email_down.png") ? 249 : p.left;
        EXPECT_EQ(photos.copy(p.left, p.top, p.width, p.height), videos.copy(left, p.top, p.width, p.height))
            << p.name;
    }
}

TEST(Skins, BackdropsFrameTheVideoPanel)
{
    const struct {
        const char* name;
        QSize panel;
    } backdrops[] = { { "live_sif.jpg", { 320, 240 } }, { "live_vga.jpg", { 640, 480 } },
        { "live_svga.jpg", { 800, 600 } }, { "live_xga.jpg", { 1024, 768 } },
        { "live_sxvga.jpg", { 1280, 1024 } }, { "live_uxga.jpg", { 1600, 1200 } } };
    for (const auto& b : backdrops) {
        const QImage image = load(QString::fromLatin1(b.name));
        ASSERT_FALSE(image.isNull()) << b.name;
        const QRect panel(QPoint(16, 11), b.panel);
        // Black where the video goes, two pixels beyond included (a backdrop
        // may sit a pixel or two off), lighter bezel all round it.
        EXPECT_LT(meanLuma(image, panel.adjusted(-2, -2, 2, 2)), 6.0) << b.name;
        EXPECT_GT(meanLuma(image, QRect(2, 2, image.width() - 4, 5)), 40.0) << b.name << " top";
        EXPECT_GT(meanLuma(image, QRect(2, panel.bottom() + 8, image.width() - 4, 6)), 25.0)
            << b.name << " bottom";
        EXPECT_GT(meanLuma(image, QRect(panel.right() + 8, 20, 6, image.height() - 40)), 25.0)
            << b.name << " right";
    }
}

TEST(Skins, ProductIconsHaveTransparentCorners)
{
    for (const char* name :
        { "icon_16.png", "icon_32.png", "icon_48.png", "icon_64.png", "icon_128.png", "icon_256.png" }) {
        const QImage image = load(QString::fromLatin1(name));
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << name;
        EXPECT_EQ(qAlpha(image.pixel(image.width() - 1, image.height() - 1)), 0) << name;
        EXPECT_EQ(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255) << name;
    }
}

// The scalable icon, as Qt's SVG renderer draws it, is the 256-pixel icon.
TEST(Skins, ScalableIconDrawsTheProductIcon)
{
    QSvgRenderer svg(kSkins + QStringLiteral("/icon.svg"));
    ASSERT_TRUE(svg.isValid());
    EXPECT_EQ(svg.viewBox(), QRect(0, 0, 256, 256));
    QImage scalable(256, 256, QImage::Format_ARGB32);
    scalable.fill(Qt::transparent);
    QPainter p(&scalable);
    svg.render(&p);
    p.end();
    const QImage bitmap = load(QStringLiteral("icon_256.png"));
    EXPECT_EQ(qAlpha(scalable.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(scalable.pixel(128, 128)), 255);
    // Same picture: the mean brightness of the tile, the lens and the stripe agree.
    for (const QRect& r :
        { QRect(40, 40, 40, 40), QRect(108, 120, 40, 40), QRect(30, 200, 190, 20), QRect(30, 50, 190, 6) })
        EXPECT_NEAR(meanLuma(scalable, r), meanLuma(bitmap, r), 8.0) << r.x() << "," << r.y();
}

} // namespace
