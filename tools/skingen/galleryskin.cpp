// SPDX-License-Identifier: GPL-2.0-or-later
// The photo and video galleries: the same panel with the strip well, the
// scroll track and its arrows, three action keys and the close key; they
// differ in the middle key and the emblem.
#include "catalogue.h"
#include "icons.h"
#include "skinset.h"

#include <QPainter>

using skin::State;

namespace {

const QList<State> kOverDown = { State::Over, State::Down };
const QRect kTrack(29, 83, 294, 12);

void decorate(QPainter& p, bool videos)
{
    // The strip viewport (17,18, 320x60) sits inside this well.
    skin::drawWell(p, QRectF(13.5, 14.5, 327, 67), 6, false);
    p.fillRect(QRectF(17, 18, 320, 60), QColor(12, 14, 18));
    // Scroll track groove.
    skin::drawSocket(p, skin::roundedRect(QRectF(kTrack).adjusted(0, 3, 0, -3), 3));
    // Seat of the close key.
    skin::drawSocket(p, skin::circle(QPointF(328, 121), 9.5));
    // Emblem and brand mark at the lower left.
    const QRectF emblem(22, 104, 20, 20);
    QColor tone = skin::colour::accent;
    tone.setAlpha(200);
    if (videos)
        icon::filmStrip(p, emblem, tone, State::Rest);
    else
        icon::photos(p, emblem, tone, State::Rest);
    skin::drawEngraved(p, QStringLiteral("TESSALY"), QPointF(79, 114.5), 8, 2.4, QColor(150, 160, 172));
}

WindowSkin build(bool videos)
{
    WindowSkin w;
    w.title = videos ? QStringLiteral("Video gallery") : QStringLiteral("Photo gallery");
    w.size = QSize(354, 148);
    w.shape = skin::roundedRect(QRectF(1, 1, 352, 146), 20);
    w.decorate = [videos](QPainter& p) { decorate(p, videos); };
    const Key middle = videos
        ? Key { QStringLiteral("imgbPlay"), QStringLiteral("gallery_play"), QRect(162, 99, 31, 31),
              KeyShape::Square, icon::play, kOverDown, true, {} }
        : Key { QStringLiteral("imgbView"), QStringLiteral("gallery_view"), QRect(162, 99, 31, 31),
              KeyShape::Square, icon::magnifier, kOverDown, true, {} };
    w.keys = {
        { QStringLiteral("imgbMoveLeft"), QStringLiteral("gallery_left"), QRect(17, 83, 11, 12),
            KeyShape::Arrow, icon::arrowLeft, { State::Rest, State::Over, State::Down }, true, {} },
        { QStringLiteral("imgbMoveRight"), QStringLiteral("gallery_right"), QRect(326, 83, 11, 12),
            KeyShape::Arrow, icon::arrowRight, { State::Rest, State::Over, State::Down }, true, {} },
        { QStringLiteral("imgbThumb"), QStringLiteral("gallery_thumb"), QRect(44, 83, 33, 12),
            KeyShape::Thumb, icon::arrowRight, { State::Rest }, false, {} },
        { QStringLiteral("imgbSave"), QStringLiteral("gallery_save"), QRect(121, 99, 31, 31),
            KeyShape::Square, icon::save, kOverDown, true, {} },
        middle,
        { QStringLiteral("imgbDelete"), QStringLiteral("gallery_delete"), QRect(203, 99, 31, 31),
            KeyShape::Square, icon::trash, kOverDown, true, {} },
        // The e-mail key is hidden in the shipped layout, so its resting look
        // is not part of the background; its plain surroundings make the one
        // picture fit both galleries' positions.
        { QStringLiteral("imgbEMail"), QStringLiteral("gallery_email"),
            QRect(videos ? 249 : 241, 103, 51, 22), KeyShape::Wide, icon::envelope, { State::Down }, false,
            {} },
        { QStringLiteral("imgbClose"), QStringLiteral("gallery_close"), QRect(321, 114, 14, 14),
            KeyShape::Small, icon::cross, kOverDown, true, skin::colour::danger },
    };
    return w;
}

} // namespace

WindowSkin gallerySkin(bool videos) { return build(videos); }

void addGallerySkins(Catalogue& catalogue)
{
    const WindowSkin photos = build(false);
    const WindowSkin videos = build(true);
    exportWindow(catalogue, photos, QStringLiteral("photos_back.png"), { QStringLiteral("gallery_view") });
    exportWindow(catalogue, videos, QStringLiteral("videos_back.png"), { QStringLiteral("gallery_play") });
    exportWindow(catalogue, photos, QString(),
        { QStringLiteral("gallery_left"), QStringLiteral("gallery_right"), QStringLiteral("gallery_thumb"),
            QStringLiteral("gallery_save"), QStringLiteral("gallery_delete"), QStringLiteral("gallery_email"),
            QStringLiteral("gallery_close") },
        QStringLiteral("Both galleries"));
    const QString trackUsage = QStringLiteral(
        "Both galleries `imgScrollArea` at 29,83: the scroll track as drawn in the background");
    catalogue.add(QStringLiteral("gallery_track.png"), photos.render().copy(kTrack), trackUsage);
    catalogue.add(QStringLiteral("gallery_track@2x.png"),
        photos.render(-1, State::Rest, 2).copy(QRect(kTrack.topLeft() * 2, kTrack.size() * 2)),
        trackUsage + QStringLiteral(" (twice the density)"));
}
