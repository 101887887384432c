// SPDX-License-Identifier: GPL-2.0-or-later
#include "widgets/SkinnedWindowDrag.h"

#include "widgets/WindowMoveEvents.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QWidget>

TSkinnedWindowDrag::TSkinnedWindowDrag(QWidget* window)
    : QObject(window)
    , FWindow(window)
{
    // The window's controls receive the presses, not the window: deciding
    // before any of them sees one needs the application-wide view.
    qApp->installEventFilter(this);
}

TSkinnedWindowDrag::~TSkinnedWindowDrag()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

void TSkinnedWindowDrag::SetCaptionTest(TCaptionTest test) { FCaptionTest = std::move(test); }

bool TSkinnedWindowDrag::IsCaption(const QPoint& windowPos) const
{
    if (!FWindow->rect().contains(windowPos))
        return false;
    return !FCaptionTest || FCaptionTest(windowPos);
}

bool TSkinnedWindowDrag::OwnsEventOf(QObject* watched) const
{
    return watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == FWindow;
}

bool TSkinnedWindowDrag::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return OwnsEventOf(watched) && MousePress(static_cast<QMouseEvent*>(event));
    case QEvent::MouseMove:
        return FMoving && OwnsEventOf(watched) && MouseMove(static_cast<QMouseEvent*>(event));
    case QEvent::MouseButtonRelease:
        return OwnsEventOf(watched) && MouseRelease(static_cast<QMouseEvent*>(event));
    case QEvent::ContextMenu: {
        // The menu of a caption point opens, if at all, on the release.
        auto* menu = static_cast<QContextMenuEvent*>(event);
        return OwnsEventOf(watched) && menu->reason() == QContextMenuEvent::Mouse
            && IsCaption(WindowPos(menu->globalPos()));
    }
    default:
        return false;
    }
}

QPoint TSkinnedWindowDrag::WindowPos(const QPoint& globalPos) const
{
    return FWindow->mapFromGlobal(globalPos);
}

bool TSkinnedWindowDrag::MousePress(QMouseEvent* event)
{
    const QPoint global = event->globalPosition().toPoint();
    if (FMoving)
        return true;
    if (!IsCaption(WindowPos(global)))
        return false;
    if (event->button() == Qt::LeftButton)
        BeginMove(global);
    else if (event->button() == Qt::RightButton)
        FRightPressedOnCaption = true;
    event->accept();
    return true;
}

bool TSkinnedWindowDrag::MouseMove(QMouseEvent* event)
{
    if (!event->buttons().testFlag(Qt::LeftButton)) {
        // The release went elsewhere (a popup took it): the move is over.
        EndMove();
        return false;
    }
    const QRect current = FWindow->frameGeometry();
    const QRect proposed(event->globalPosition().toPoint() - FGrabOffset, current.size());
    const QRect granted = SendPosChanging(FWindow, proposed, false, true);
    if (granted.topLeft() != current.topLeft())
        FWindow->move(granted.topLeft());
    event->accept();
    return true;
}

bool TSkinnedWindowDrag::MouseRelease(QMouseEvent* event)
{
    if (FMoving) {
        if (event->button() == Qt::LeftButton)
            EndMove();
        event->accept();
        return true;
    }
    if (event->button() != Qt::RightButton || !FRightPressedOnCaption)
        return false;
    FRightPressedOnCaption = false;
    const QPoint global = event->globalPosition().toPoint();
    if (IsCaption(WindowPos(global)))
        emit nonClientRightButtonUp(global);
    event->accept();
    return true;
}

void TSkinnedWindowDrag::BeginMove(const QPoint& globalPos)
{
    FMoving = true;
    FGrabOffset = globalPos - FWindow->frameGeometry().topLeft();
    SendEnterSizeMove(FWindow);
}

void TSkinnedWindowDrag::EndMove()
{
    FMoving = false;
    SendExitSizeMove(FWindow);
}
