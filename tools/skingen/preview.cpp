// SPDX-License-Identifier: GPL-2.0-or-later
// A picture of the whole skin for a designer's eye: the windows as they look
// on a desktop (with sample status text, thumbnails and camera picture), and
// every button picture enlarged beside its resting look.
#include "catalogue.h"
#include "skinset.h"

#include <QPainter>

namespace {

QImage keyed(const QImage& skinImage)
{
    QImage out = skinImage.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((row[x] & 0xFFFFFF) == 0xFF00FF)
                row[x] = 0;
    }
    return out;
}

// A stand-in camera picture: sky, hills and a sun.
void fakeCamera(QPainter& p, const QRectF& r, int seed)
{
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0.0, QColor(70 + seed * 20, 130, 200));
    sky.setColorAt(1.0, QColor(230, 200, 150));
    p.fillRect(r, sky);
    p.fillPath(skin::circle(r.topLeft() + QPointF(r.width() * 0.7, r.height() * 0.3), r.height() * 0.1),
        QColor(255, 240, 200));
    QPainterPath hills;
    hills.moveTo(r.bottomLeft());
    hills.lineTo(r.left(), r.top() + r.height() * 0.65);
    hills.quadTo(r.left() + r.width() * 0.3, r.top() + r.height() * (0.45 + seed * 0.05),
        r.left() + r.width() * 0.6, r.top() + r.height() * 0.7);
    hills.quadTo(
        r.left() + r.width() * 0.8, r.top() + r.height() * 0.8, r.right(), r.top() + r.height() * 0.6);
    hills.lineTo(r.bottomRight());
    hills.closeSubpath();
    p.fillPath(hills, QColor(50, 100, 60));
}

void sampleGallery(QPainter& p, const QPoint& at, int count)
{
    const QRect viewport(at + QPoint(17, 18), QSize(320, 60));
    p.save();
    p.setClipRect(viewport);
    for (int i = 0; i < count && i < 4; ++i)
        fakeCamera(p, QRectF(viewport.left() + 80 * i, viewport.top(), 80, 60), i % 3);
    p.setPen(QPen(QColor(128, 0, 0), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(viewport.left() + 80 * 1 + 1, viewport.top() + 1, 78, 58));
    p.restore();
}

} // namespace

QImage composePreview(const Catalogue& catalogue)
{
    QImage out(1400, 1180, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&out);
    skin::prepare(p);
    QLinearGradient desk(0, 0, 0, out.height());
    desk.setColorAt(0.0, QColor(72, 96, 124));
    desk.setColorAt(1.0, QColor(34, 44, 60));
    p.fillRect(out.rect(), desk);

    // The windows where a first start places them.
    const QPoint mainAt(50, 50), photosAt(50, 174), videosAt(50, 322), liveAt(404, 50);
    p.drawImage(mainAt, keyed(catalogue.image(QStringLiteral("main_back.png"))));
    p.drawImage(mainAt + QPoint(182, 31), catalogue.image(QStringLiteral("main_image_down.png")));
    p.drawImage(mainAt + QPoint(54, 47), catalogue.image(QStringLiteral("main_snapshot_over.png")));
    QFont status(QStringLiteral("DejaVu Sans"));
    status.setPixelSize(11);
    p.setFont(status);
    p.setPen(Qt::white);
    p.drawText(QRect(mainAt + QPoint(48, 25), QSize(130, 14)), Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("3 photos taken"));

    p.drawImage(photosAt, keyed(catalogue.image(QStringLiteral("photos_back.png"))));
    sampleGallery(p, photosAt, 4);
    p.drawImage(photosAt + QPoint(17, 83), catalogue.image(QStringLiteral("gallery_left_up.png")));
    p.drawImage(photosAt + QPoint(326, 83), catalogue.image(QStringLiteral("gallery_right_up.png")));
    p.drawImage(photosAt + QPoint(160, 83), catalogue.image(QStringLiteral("gallery_thumb_up.png")));
    p.drawImage(photosAt + QPoint(162, 99), catalogue.image(QStringLiteral("gallery_view_over.png")));

    p.drawImage(videosAt, keyed(catalogue.image(QStringLiteral("videos_back.png"))));
    p.setFont(QFont(QStringLiteral("DejaVu Serif"), 8, -1, true));
    p.setPen(QColor(140, 150, 160));
    p.drawText(
        QRect(videosAt + QPoint(17, 18), QSize(320, 60)), Qt::AlignCenter, QStringLiteral("Video List"));
    p.drawImage(videosAt + QPoint(17, 83), catalogue.image(QStringLiteral("gallery_left_up.png")));
    p.drawImage(videosAt + QPoint(326, 83), catalogue.image(QStringLiteral("gallery_right_up.png")));
    p.drawImage(videosAt + QPoint(203, 99), catalogue.image(QStringLiteral("gallery_delete_down.png")));

    p.drawImage(liveAt, catalogue.image(QStringLiteral("live_vga.jpg")));
    fakeCamera(p, QRectF(liveAt + QPoint(16, 11), QSizeF(640, 480)), 1);

    // Every button picture at twice its size, next to its resting look.
    int x = 20, y = 600, rowHeight = 0;
    const QImage mainBack = catalogue.image(QStringLiteral("main_back.png"));
    for (const SkinFile& f : catalogue.files()) {
        if (f.name.endsWith(QLatin1String("_back.png")) || f.name.endsWith(QLatin1String(".jpg")))
            continue;
        const int zoom = f.image.width() > 64 ? 1 : 2;
        const QImage big
            = f.image.scaled(f.image.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        if (x + big.width() > 880) {
            x = 20;
            y += rowHeight + 10;
            rowHeight = 0;
        }
        p.drawImage(x, y, big);
        x += big.width() + 8;
        rowHeight = qMax(rowHeight, big.height());
    }
    // The small live backdrop, to judge the bezel at its tightest.
    const QPoint sifAt(1030, 600);
    p.drawImage(sifAt, catalogue.image(QStringLiteral("live_sif.jpg")));
    fakeCamera(p, QRectF(sifAt + QPoint(16, 11), QSizeF(320, 240)), 2);
    return out;
}
