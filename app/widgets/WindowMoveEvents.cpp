// SPDX-License-Identifier: GPL-2.0-or-later
#include "widgets/WindowMoveEvents.h"

#include <QCoreApplication>
#include <QWidget>

namespace {

QEvent::Type NewEventType() { return static_cast<QEvent::Type>(QEvent::registerEventType()); }

} // namespace

QEvent::Type TSizeMoveEvent::EnterType()
{
    static const QEvent::Type type = NewEventType();
    return type;
}

QEvent::Type TSizeMoveEvent::ExitType()
{
    static const QEvent::Type type = NewEventType();
    return type;
}

TSizeMoveEvent::TSizeMoveEvent(QEvent::Type type)
    : QEvent(type)
{
}

QEvent::Type TWindowPosChangingEvent::Type()
{
    static const QEvent::Type type = NewEventType();
    return type;
}

TWindowPosChangingEvent::TWindowPosChangingEvent(const QRect& proposed, bool noMove, bool noSize)
    : QEvent(Type())
    , Proposed(proposed)
    , NoMove(noMove)
    , NoSize(noSize)
{
}

void SendEnterSizeMove(QWidget* window)
{
    TSizeMoveEvent event(TSizeMoveEvent::EnterType());
    QCoreApplication::sendEvent(window, &event);
}

void SendExitSizeMove(QWidget* window)
{
    TSizeMoveEvent event(TSizeMoveEvent::ExitType());
    QCoreApplication::sendEvent(window, &event);
}

QRect SendPosChanging(QWidget* window, const QRect& proposed, bool noMove, bool noSize)
{
    TWindowPosChangingEvent event(proposed, noMove, noSize);
    QCoreApplication::sendEvent(window, &event);
    return event.Proposed;
}
