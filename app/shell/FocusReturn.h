// SPDX-License-Identifier: GPL-2.0-or-later
// TFocusReturn: keeps the keyboard with Glimview as its windows come and go.
// A dialog or box that opens takes the focus; when the window that had the
// focus closes or hides (a viewer, a box, a gallery closed with Ctrl+W), the
// focus goes back to the window used before it that still shows, or to the
// panel. A desktop's window manager may do the same; where it did, nothing
// more happens, and a window closing while the user is in another program
// takes nothing from it.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

class QWindow;

class TFocusReturn : public QObject {
    Q_OBJECT
public:
    // Watches every window of the application; the panel is the last resort.
    explicit TFocusReturn(QWidget* panel);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Remember(QWindow* focusWindow);
    void ReturnFocus(const QPointer<QWidget>& left);

    QPointer<QWidget> FPanel;
    QList<QPointer<QWidget>> FRecent; // the windows that had the focus, the latest first
    bool FFocusOutside = false; // the user is in another program
};
