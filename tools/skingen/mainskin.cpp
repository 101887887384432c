// SPDX-License-Identifier: GPL-2.0-or-later
// The main window: a graphite control panel with the status well, the two
// large capture keys in their capsule, four small keys and the window keys.
#include "icons.h"
#include "skinset.h"

#include <QPainter>

using skin::State;

namespace {

const QList<State> kOverDown = { State::Over, State::Down };

void decorate(QPainter& p)
{
    // Status line well; the program writes the text at 48,25.
    skin::drawWell(p, QRectF(42, 19, 137, 24), 6, true);
    // Tray of the two window keys.
    skin::drawSocket(p, skin::roundedRect(QRectF(280.5, 21.5, 37, 19), 9.5));
    // Capsule holding the snapshot and record keys.
    skin::drawSocket(p, skin::roundedRect(QRectF(52, 45, 107, 51), 25.5));
    // Lens ornament at the left end.
    icon::lens(p, QPointF(26.5, 70.5), 14);
    // Microphone grille at the right end.
    for (int row = 0; row < 6; ++row)
        for (int col = 0; col < 3; ++col)
            skin::drawSocket(p, skin::circle(QPointF(322.5 + col * 6, 58.5 + row * 6), 1.5));
    // Brand mark under the capsule.
    skin::drawEngraved(p, QStringLiteral("TESSALY"), QPointF(105.5, 108.5), 8, 2.4, QColor(150, 160, 172));
}

} // namespace

WindowSkin mainWindowSkin()
{
    WindowSkin w;
    w.title = QStringLiteral("Main window");
    w.size = QSize(354, 124);
    w.shape = skin::roundedRect(QRectF(1, 1, 352, 122), 26);
    w.decorate = decorate;
    w.keys = {
        { QStringLiteral("imgbHide"), QStringLiteral("main_hide"), QRect(283, 24, 14, 14), KeyShape::Small,
            icon::minimise, { State::Rest, State::Over, State::Down }, true, skin::colour::accentDeep },
        { QStringLiteral("imgbClose"), QStringLiteral("main_close"), QRect(301, 24, 14, 14), KeyShape::Small,
            icon::cross, kOverDown, true, skin::colour::danger },
        { QStringLiteral("imgbSnapshot"), QStringLiteral("main_snapshot"), QRect(54, 47, 47, 47),
            KeyShape::Round, icon::camera, kOverDown },
        { QStringLiteral("imgbRecord"), QStringLiteral("main_record"), QRect(110, 47, 47, 47),
            KeyShape::Round, icon::recordDot, kOverDown },
        { QStringLiteral("imgbImage"), QStringLiteral("main_image"), QRect(182, 31, 31, 31), KeyShape::Square,
            icon::photos, kOverDown },
        { QStringLiteral("imgbVideo"), QStringLiteral("main_video"), QRect(240, 31, 31, 31), KeyShape::Square,
            icon::filmStrip, kOverDown },
        { QStringLiteral("imgbControl"), QStringLiteral("main_control"), QRect(211, 63, 31, 31),
            KeyShape::Square, icon::sliders, kOverDown },
        { QStringLiteral("imgbFormat"), QStringLiteral("main_format"), QRect(269, 63, 31, 31),
            KeyShape::Square, icon::resolution, kOverDown },
    };
    return w;
}
