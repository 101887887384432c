// SPDX-License-Identifier: GPL-2.0-or-later
// The live view backdrops: a graphite bezel around the video panel, which
// stands at 16,11 in every size.
#include "catalogue.h"
#include "icons.h"
#include "skinset.h"

#include <QPainter>

namespace {

struct Backdrop {
    const char* name;
    QSize window;
    QSize panel;
};

const Backdrop kBackdrops[] = {
    { "live_sif.jpg", { 354, 280 }, { 320, 240 } },
    { "live_vga.jpg", { 674, 519 }, { 640, 480 } },
    { "live_svga.jpg", { 834, 639 }, { 800, 600 } },
    { "live_xga.jpg", { 1058, 807 }, { 1024, 768 } },
    { "live_sxvga.jpg", { 1314, 1063 }, { 1280, 1024 } },
    { "live_uxga.jpg", { 1637, 1243 }, { 1600, 1200 } },
};

const QPoint kPanelAt(16, 11);

QImage backdrop(const Backdrop& b, int scale)
{
    QImage art = skin::canvas(b.window.width() * scale, b.window.height() * scale);
    QPainter p(&art);
    skin::prepare(p);
    p.scale(scale, scale);
    const QRectF whole(QPointF(0, 0), QSizeF(b.window));
    QPainterPath frame;
    frame.addRect(whole);
    skin::drawBody(p, frame, whole);

    const QRectF panel(kPanelAt, QSizeF(b.panel));
    // The frame around the panel: dark and a few pixels wide, so a backdrop
    // shifted by a pixel or two still shows an even border.
    skin::drawWell(p, panel.adjusted(-4.5, -4.5, 4.5, 4.5), 5, true);
    p.fillRect(panel.adjusted(-2, -2, 2, 2), Qt::black);

    // Bottom strip: lens emblem and brand mark centred under the picture.
    const qreal strip = panel.bottom() + (whole.bottom() - panel.bottom()) / 2 + 1;
    const qreal cx = panel.center().x();
    icon::lens(p, QPointF(cx - 36, strip), 6.5);
    skin::drawEngraved(p, QStringLiteral("TESSALY"), QPointF(cx + 8, strip), 9, 2.8, QColor(150, 160, 172));
    return art;
}

} // namespace

void addLiveBackdrops(Catalogue& catalogue)
{
    for (const Backdrop& b : kBackdrops) {
        const QString usage = QStringLiteral("Live view backdrop for the %1x%2 picture, panel at %3,%4")
                                  .arg(b.panel.width())
                                  .arg(b.panel.height())
                                  .arg(kPanelAt.x())
                                  .arg(kPanelAt.y());
        catalogue.add(QString::fromLatin1(b.name), backdrop(b, 1), usage);
        catalogue.add(doubleDensityName(QString::fromLatin1(b.name)), backdrop(b, 2),
            usage + QStringLiteral(" (twice the density)"));
    }
}
