// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "widgets/MagnetGeometry.h"

#include <QFlags>
#include <QList>
#include <QObject>
#include <stdexcept>

class QWidget;
class TWindowPosChangingEvent;

enum TSnapOption {
    soInScreen = 0x1, // stay inside the screen's work area, snapping to its edges
    soMagnet = 0x2, // snap to the windows of the other active magnets
    soInMainForm = 0x4, // stay inside the main window's client area
};
Q_DECLARE_FLAGS(TSnapOptions, TSnapOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TSnapOptions)

// Raised when a magnet is given an owner it cannot serve.
class EMagnetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Makes a top-level window magnetic: while the user moves or resizes it, its
// edges jump onto the edges of the other magnetic windows within Range pixels.
// It watches the window's move events (WindowMoveEvents.h) through an event
// filter, so the window needs to do nothing for it; moves made by the program
// send no such events and are never snapped.
class TMagnet : public QObject {
    Q_OBJECT
public:
    // The owner must be a top-level window without a magnet; the magnet is
    // the owner's child and goes with it.
    explicit TMagnet(QWidget* owner);
    ~TMagnet() override;

    QWidget* Owner() const { return FOwner; }

    void SetActive(bool value);
    void SetRange(int value) { FRange = value; }
    TSnapOptions SnapOptions() const { return FSnapOptions; }
    void SetSnapOptions(TSnapOptions value);
    void SetEnableClustering(bool value);

    // True between the start and the end of a user move or resize.
    bool Moving() const { return FMoving; }
    // The magnets joined with this one, itself included.
    QList<TMagnet*> Cluster() const { return FCluster; }

    // The active magnets of the process, in the order they were activated.
    static QList<TMagnet*> ActiveMagnets();
    // The application's main window, for soInMainForm.
    static void SetMainForm(QWidget* form);
    static QWidget* MainForm();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EnterSizeMove();
    void ExitSizeMove();
    // Returns true when the proposal has been handled here.
    bool PosChanging(TWindowPosChangingEvent* event);
    QPoint SnapPoint(QPoint p, int w, int h);
    bool InCluster() const { return FCluster.size() > 1; }
    void JoinCluster(TMagnet* other);
    void BreakCluster();
    QRect Bounds() const;

    QWidget* FOwner;
    bool FActive = false;
    int FRange = 15;
    TSnapOptions FSnapOptions = soInScreen | soMagnet;
    bool FEnableClustering = true;
    bool FMoving = false;
    QRect FLastRect;
    QList<TMagnet*> FCluster;
    QList<TMagnet*> FTouched;
};
