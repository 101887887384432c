// SPDX-License-Identifier: GPL-2.0-or-later
#include "widgets/ImageButton.h"

#include <QAccessible>
#include <QBitmap>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
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
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    InstallImageButtonAccessibility();
    // Mouse moves are reported whether a button is held or not.
    setMouseTracking(true);
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
    QWidget::changeEvent(event);
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

void TImageButton::Click() { emit clicked(); }

void TImageButton::Press()
{
    const QPointF centre = QRectF(rect()).center();
    const QPointF global = mapToGlobal(centre);
    QPointer<TImageButton> self(this);
    QMouseEvent press(
        QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    mousePressEvent(&press);
    // The press may have closed the window that held the button.
    if (!self)
        return;
    QMouseEvent release(
        QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    mouseReleaseEvent(&release);
}

void TImageButton::SetChecked(bool value)
{
    if (FChecked == value)
        return;
    FChecked = value;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
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

void TImageButton::mousePressEvent(QMouseEvent* event)
{
    const Qt::MouseButton button = event->button();
    if (button == Qt::LeftButton) {
        FLeftHeld = true;
        FClickPending = true;
    }
    RaiseThenSettle([&] { emit mouseDown(button, event->position().toPoint()); },
        [&] {
            if (button == Qt::LeftButton)
                LeftPressed();
        });
}

void TImageButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click is a press like any other: two
    // quick clicks are two clicks.
    const Qt::MouseButton button = event->button();
    if (button == Qt::LeftButton) {
        FLeftHeld = true;
        FClickPending = true;
    }
    RaiseThenSettle(
        [&] {
            if (button == Qt::LeftButton)
                emit doubleClicked();
            emit mouseDown(button, event->position().toPoint());
        },
        [&] {
            if (button == Qt::LeftButton)
                LeftPressed();
        });
}

void TImageButton::mouseReleaseEvent(QMouseEvent* event)
{
    const Qt::MouseButton button = event->button();
    const QPoint pos = event->position().toPoint();
    // The button holds the mouse while pressed, so a release anywhere
    // arrives here; only one over the button is a click.
    const bool click = button == Qt::LeftButton && FClickPending && rect().contains(pos);
    if (button == Qt::LeftButton) {
        FLeftHeld = false;
        FClickPending = false;
    }
    RaiseThenSettle(
        [&] {
            if (click)
                emit clicked();
            emit mouseUp(button, pos);
        },
        [&] {
            if (button != Qt::LeftButton)
                return;
            LeftReleased();
            // A release away from the button that no move announced still
            // means the pointer has left it.
            if (FPointerInside && !rect().contains(pos))
                PointerLeft();
        });
}

void TImageButton::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    emit mouseMove(event->buttons(), pos);
    if (!FLeftHeld)
        return;
    const bool inside = rect().contains(pos);
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
    emit mouseEnter();
    if (!isEnabled() || FState == vsOver)
        return;
    FState = vsOver;
    Show(!FPictureOver.isNull() ? FPictureOver : FPictureUp);
}

void TImageButton::PointerLeft()
{
    FPointerInside = false;
    emit mouseLeave();
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
    return QWidget::event(event);
}
