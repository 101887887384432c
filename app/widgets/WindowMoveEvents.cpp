#include "WindowMoveEvents.h"

#include <QCoreApplication>
#include <QWidget>

namespace {

QEvent::Type Registered(QEvent::Type& slot)
{
    if (slot == QEvent::None)
        slot = static_cast<QEvent::Type>(QEvent::registerEventType());
    return slot;
}

QEvent::Type gEnterType = QEvent::None;
QEvent::Type gExitType = QEvent::None;
QEvent::Type gPosChangingType = QEvent::None;

} // namespace

QEvent::Type TSizeMoveEvent::EnterType() { return Registered(gEnterType); }

QEvent::Type TSizeMoveEvent::ExitType() { return Registered(gExitType); }

TSizeMoveEvent::TSizeMoveEvent(QEvent::Type type)
    : QEvent(type)
{
}

QEvent::Type TWindowPosChangingEvent::Type() { return Registered(gPosChangingType); }

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
