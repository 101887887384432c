// SPDX-License-Identifier: GPL-2.0-or-later
#include "widgets/MagnetUnit.h"

#include "widgets/WindowMoveEvents.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace {

QList<TMagnet*>& ActiveList()
{
    static QList<TMagnet*> list;
    return list;
}

QPointer<QWidget>& MainFormSlot()
{
    static QPointer<QWidget> form;
    return form;
}

// Checked before the magnet becomes the owner's child, so that the owner's
// children show only magnets that were accepted.
QWidget* AcceptedOwner(QWidget* owner)
{
    if (!owner || !owner->isWindow())
        throw EMagnetError("TMagnet.Owner must be a TForm");
    if (!owner->findChildren<TMagnet*>(Qt::FindDirectChildrenOnly).isEmpty())
        throw EMagnetError("TMagnet can occur only once in a TForm");
    return owner;
}

} // namespace

TMagnet::TMagnet(QWidget* owner)
    : QObject(AcceptedOwner(owner))
    , FOwner(owner)
{
    FCluster.append(this);
}

TMagnet::~TMagnet() { SetActive(false); }

QList<TMagnet*> TMagnet::ActiveMagnets() { return ActiveList(); }

void TMagnet::SetMainForm(QWidget* form) { MainFormSlot() = form; }

QWidget* TMagnet::MainForm() { return MainFormSlot(); }

void TMagnet::SetActive(bool value)
{
    if (value == FActive)
        return;
    if (value) {
        FOwner->installEventFilter(this);
        ActiveList().append(this);
    } else {
        BreakCluster();
        FOwner->removeEventFilter(this);
        ActiveList().removeAll(this);
        FMoving = false;
        FTouched.clear();
    }
    FActive = value;
}

void TMagnet::SetSnapOptions(TSnapOptions value)
{
    if (FOwner == MainForm())
        value &= ~TSnapOptions(soInMainForm);
    FSnapOptions = value;
}

void TMagnet::SetEnableClustering(bool value)
{
    if (value == FEnableClustering)
        return;
    BreakCluster();
    FEnableClustering = value;
}

bool TMagnet::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != FOwner)
        return false;
    const QEvent::Type type = event->type();
    if (type == TSizeMoveEvent::EnterType())
        EnterSizeMove();
    else if (type == TSizeMoveEvent::ExitType())
        ExitSizeMove();
    else if (type == TWindowPosChangingEvent::Type())
        return PosChanging(static_cast<TWindowPosChangingEvent*>(event));
    return false;
}

void TMagnet::EnterSizeMove()
{
    FLastRect = Bounds();
    FMoving = true;
}

void TMagnet::ExitSizeMove()
{
    for (TMagnet* other : FTouched)
        JoinCluster(other);
    FTouched.clear();
    FMoving = false;
}

bool TMagnet::PosChanging(TWindowPosChangingEvent* event)
{
    FTouched.clear();
    if (!FMoving)
        return false;
    // Ctrl suspends snapping.
    if (QGuiApplication::keyboardModifiers().testFlag(Qt::ControlModifier)) {
        BreakCluster();
        return false;
    }

    const QRect current = Bounds();
    const QRect proposed = event->Proposed;
    const bool resize = proposed.size() != current.size() && !event->NoSize;
    if (resize) {
        const QPoint snapped = SnapPoint(proposed.topLeft(), proposed.width(), proposed.height());
        FLastRect = ResizeSnap(proposed, FLastRect, snapped);
        event->Proposed = FLastRect;
        BreakCluster();
    } else if (!event->NoMove) {
        const QPoint snapped = SnapPoint(proposed.topLeft(), current.width(), current.height());
        const QPoint shift = snapped - FLastRect.topLeft();
        for (TMagnet* member : FCluster) {
            if (member != this)
                member->FOwner->move(member->FOwner->pos() + shift);
        }
        FLastRect = QRect(snapped, current.size());
        event->Proposed.moveTopLeft(snapped);
    }
    return true;
}

QPoint TMagnet::SnapPoint(QPoint p, int w, int h)
{
    if (FSnapOptions.testFlag(soMagnet)) {
        std::vector<QRect> bounds;
        QList<TMagnet*> attracting;
        const QList<TMagnet*>& active = ActiveList();
        for (auto it = active.crbegin(); it != active.crend(); ++it) {
            TMagnet* other = *it;
            // A hidden window has no edges on the screen to snap to.
            if (FCluster.contains(other) || !other->FOwner->isVisible())
                continue;
            bounds.push_back(other->Bounds());
            attracting.append(other);
        }
        std::vector<std::size_t> touched;
        p = SnapPointToRects(p, w, h, bounds, FRange, &touched);
        for (std::size_t index : touched)
            FTouched.append(attracting[qsizetype(index)]);
    }
    if (FSnapOptions.testFlag(soInScreen)) {
        if (const QScreen* screen = FOwner->screen())
            p = SnapPointInside(p, w, h, screen->availableGeometry(), FRange);
    }
    QWidget* mainForm = MainForm();
    if (FSnapOptions.testFlag(soInMainForm) && mainForm && mainForm != FOwner) {
        const QRect client(mainForm->mapToGlobal(QPoint(0, 0)), mainForm->size());
        p = SnapPointInside(p, w, h, client, FRange);
    }
    return p;
}

void TMagnet::JoinCluster(TMagnet* other)
{
    if (FCluster.contains(other) || !FEnableClustering || !other->FEnableClustering)
        return;
    QList<TMagnet*> joined = FCluster;
    for (TMagnet* member : other->FCluster) {
        if (!joined.contains(member))
            joined.append(member);
    }
    for (TMagnet* member : joined)
        member->FCluster = joined;
}

void TMagnet::BreakCluster()
{
    if (!InCluster())
        return;
    const QList<TMagnet*> members = FCluster;
    for (TMagnet* member : members)
        member->FCluster = { member };
}

QRect TMagnet::Bounds() const { return FOwner->frameGeometry(); }
