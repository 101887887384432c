// SPDX-License-Identifier: GPL-2.0-or-later
#include "camera/ViewOverlay.h"

#include <QPainter>
#include <QTimer>

TViewOverlay::TViewOverlay(QWidget* owner)
    : QWidget(owner,
        Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
            | Qt::X11BypassWindowManagerHint)
    , FFlashEnd(new QTimer(this))
{
    setObjectName(QStringLiteral("ViewOverlay"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    FFlashEnd->setSingleShot(true);
    FFlashEnd->setInterval(FlashMs);
    connect(FFlashEnd, &QTimer::timeout, this, [this] {
        if (FSeconds > 0)
            update();
        else
            hide();
    });
}

bool TViewOverlay::Flashing() const { return FFlashEnd->isActive(); }

void TViewOverlay::Flash(const QRect& picture)
{
    FSeconds = 0;
    ShowOver(picture);
    FFlashEnd->start();
    emit flashed();
}

void TViewOverlay::ShowCountdown(const QRect& picture, int seconds)
{
    FSeconds = seconds;
    if (seconds <= 0) {
        if (!Flashing())
            hide();
        return;
    }
    // A square a third of the picture's height, at its centre.
    const int side = std::max(48, picture.height() / 3);
    QRect square(0, 0, side, side);
    square.moveCenter(picture.center());
    ShowOver(square);
}

void TViewOverlay::ShowOver(const QRect& area)
{
    setGeometry(area);
    show();
    raise();
    update();
}

void TViewOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (Flashing()) {
        painter.fillRect(rect(), Qt::white);
        return;
    }
    painter.fillRect(rect(), QColor(64, 64, 64));
    QFont digits = font();
    digits.setBold(true);
    digits.setPixelSize(height() * 3 / 4);
    painter.setFont(digits);
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter, QString::number(FSeconds));
}
