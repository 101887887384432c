// SPDX-License-Identifier: GPL-2.0-or-later
#include "widgets/ImageButton.h"

#include <QBitmap>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextDocument>
#include <QToolTip>

namespace {

// Raises a window's handlers, then does the button's own follow-up. The
// follow-up runs even when a handler fails, so the button never keeps a
// pressed look for a press that is over; the error goes on to whoever
// guards the handler.
template <class Raise, class Settle> void RaiseThenSettle(Raise raise, Settle settle)
{
    try {
        raise();
    } catch (...) {
        settle();
        throw;
    }
    settle();
}

} // namespace

TImageButton::TImageButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    InstallImageButtonAccessibility();
}

void TImageButton::SetPicture(const QPixmap& picture)
{
    FPicture = picture;
    FDrawn = picture;
    if (FTransparent && !picture.isNull() && !picture.hasAlphaChannel()) {
        const QImage image = picture.toImage();
        const QRgb key = image.pixel(0, image.height() - 1);
        FDrawn.setMask(QBitmap::fromImage(image.createMaskFromColor(key)));
    }
    if (FAutoSize && !picture.isNull())
        resize(picture.deviceIndependentSize().toSize());
    update();
}

void TImageButton::Show(const QPixmap& picture) { SetPicture(picture); }

void TImageButton::SetPictureDisable(const QPixmap& picture)
{
    FPictureDisable = picture;
    if (!isEnabled())
        Show(FPictureDisable);
}

void TImageButton::SetPictureDown(const QPixmap& picture) { FPictureDown = picture; }

void TImageButton::SetPictureOver(const QPixmap& picture) { FPictureOver = picture; }

void TImageButton::SetPictureUp(const QPixmap& picture)
{
    FPictureUp = picture;
    if (isEnabled())
        Show(FPictureUp);
}

void TImageButton::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    if (isEnabled() && !FPictureUp.isNull()) {
        FState = vsUp;
        Show(FPictureUp);
    } else if (!isEnabled() && !FPictureDisable.isNull()) {
        FState = vsReleased;
        Show(FPictureDisable);
    }
}

void TImageButton::SetTransparent(bool value)
{
    FTransparent = value;
    SetPicture(FPicture);
}

void TImageButton::SetAutoSize(bool value)
{
    FAutoSize = value;
    if (FAutoSize && !FPicture.isNull())
        resize(FPicture.deviceIndependentSize().toSize());
}

void TImageButton::ResetLook()
{
    FLeftHeld = false;
    FClickPending = false;
    // A pointer still over the button is seen entering it again when Qt
    // sends the enter that follows the menu.
    FPointerInside = true;
    PointerLeft();
}

void TImageButton::paintEvent(QPaintEvent*)
{
    if (FDrawn.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, FDrawn);
}

// The button's own press, move and release rather than QAbstractButton's:
// they carry the look's cases, and a handler's error must not unwind through
// Qt's button code, which is built without exception support.
void TImageButton::mousePressEvent(QMouseEvent* event)
{
    // The second press of a double click arrives here too: two quick clicks
    // are two clicks.
    const Qt::MouseButton button = event->button();
    const bool left = button == Qt::LeftButton;
    if (left) {
        FLeftHeld = true;
        FClickPending = true;
    }
    RaiseThenSettle(
        [&] {
            if (left)
                emit pressed();
            emit mouseDown(button, event->position().toPoint());
        },
        [&] {
            if (left)
                LeftPressed();
        });
}

void TImageButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    // The button holds the mouse while pressed, so a release anywhere
    // arrives here; only one over the button is a click.
    const bool click = FClickPending && rect().contains(pos);
    FLeftHeld = false;
    FClickPending = false;
    RaiseThenSettle(
        [&] {
            if (click)
                emit clicked(isChecked());
            emit released();
        },
        [&] {
            LeftReleased();
            // A release away from the button that no move announced still
            // means the pointer has left it.
            if (FPointerInside && !rect().contains(pos))
                PointerLeft();
        });
}

void TImageButton::mouseMoveEvent(QMouseEvent* event)
{
    if (!FLeftHeld)
        return;
    const bool inside = rect().contains(event->position().toPoint());
    if (inside && !FPointerInside)
        PointerEntered();
    else if (!inside && FPointerInside)
        PointerLeft();
}

void TImageButton::enterEvent(QEnterEvent*)
{
    if (!FPointerInside)
        PointerEntered();
}

void TImageButton::leaveEvent(QEvent*)
{
    if (FPointerInside && !FLeftHeld)
        PointerLeft();
}

void TImageButton::PointerEntered()
{
    FPointerInside = true;
    if (!isEnabled() || FState == vsOver)
        return;
    FState = vsOver;
    Show(!FPictureOver.isNull() ? FPictureOver : FPictureUp);
}

void TImageButton::PointerLeft()
{
    FPointerInside = false;
    if (!isEnabled() || FState == vsUp)
        return;
    FState = vsUp;
    Show(FPictureUp);
}

void TImageButton::LeftPressed()
{
    if (!isEnabled() || FState == vsDown)
        return;
    FState = vsDown;
    if (!FPictureDown.isNull())
        Show(FPictureDown);
    else
        Show(!FPictureOver.isNull() ? FPictureOver : FPictureUp);
}

void TImageButton::LeftReleased()
{
    if (!isEnabled() || FState == vsReleased)
        return;
    FState = vsReleased;
    if (!FPictureUp.isNull())
        Show(FPictureUp);
}

bool TImageButton::event(QEvent* event)
{
    // The hint comes from a language file and is shown as typed: a tooltip
    // has no text format of its own, so one that looks like HTML is escaped.
    if (event->type() == QEvent::ToolTip && Qt::mightBeRichText(toolTip())) {
        const auto* help = static_cast<QHelpEvent*>(event);
        QToolTip::showText(help->globalPos(),
            QStringLiteral("<qt>") + toolTip().toHtmlEscaped() + QStringLiteral("</qt>"), this);
        return true;
    }
    // Disabled, it lets the mouse through to its window as any widget does
    // (QAbstractButton would swallow it): the panel's menu opens over a
    // locked button.
    if (!isEnabled())
        return QWidget::event(event);
    return QAbstractButton::event(event);
}
