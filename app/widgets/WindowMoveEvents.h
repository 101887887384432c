// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QEvent>
#include <QRect>

class QWidget;

// The three moments of a move or resize that the user makes with a top-level
// window. Whoever runs the move sends them to the window itself, so that any
// event filter on the window (a TMagnet) can take part without the mover
// knowing about it. Moves made by the program send none of them.

// Start and end of a user move or resize.
class TSizeMoveEvent : public QEvent {
public:
    static QEvent::Type EnterType();
    static QEvent::Type ExitType();

    explicit TSizeMoveEvent(QEvent::Type type);
};

// A proposed new place for the window. Filters may rewrite Proposed; the
// sender applies whatever it holds after the event has been delivered.
class TWindowPosChangingEvent : public QEvent {
public:
    static QEvent::Type Type();

    TWindowPosChangingEvent(const QRect& proposed, bool noMove, bool noSize);

    QRect Proposed; // outer bounds of the window
    bool NoMove; // the position is not to change
    bool NoSize; // the size is not to change
};

void SendEnterSizeMove(QWidget* window);
void SendExitSizeMove(QWidget* window);
// Returns the bounds the window is to take after everyone watching it has
// seen the proposal.
QRect SendPosChanging(QWidget* window, const QRect& proposed, bool noMove, bool noSize);
