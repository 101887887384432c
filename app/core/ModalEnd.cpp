// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/ModalEnd.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <QProgressDialog>
#include <QThread>
#include <QWidget>

namespace {

bool Ending = false;

bool IsModal(const QWidget* window) { return window->isWindow() && window->windowModality() != Qt::NonModal; }

// Queued, so that a box that is just being shown has entered its loop when
// it is told to leave it.
void EndLater(QWidget* window)
{
    QMetaObject::invokeMethod(
        window,
        [guard = QPointer<QWidget>(window)] {
            if (!guard)
                return;
            if (auto* progress = qobject_cast<QProgressDialog*>(guard.data()))
                progress->cancel();
            else if (auto* dialog = qobject_cast<QDialog*>(guard.data()))
                dialog->reject();
            else
                guard->close();
        },
        Qt::QueuedConnection);
}

// Ends each modal window as it shows, once the session ends.
class TModalEnder : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (IsModal(widget))
                EndLater(widget);
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

bool SessionEnding() { return Ending; }

void EndModalsForSessionEnd()
{
    if (!Ending && QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(new TModalEnder(QCoreApplication::instance()));
    Ending = true;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && IsModal(window))
            EndLater(window);
    // A progress dialog of a copy may still be waiting for its delay.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* progress = qobject_cast<QProgressDialog*>(window))
            EndLater(progress);
}

bool ModalStillRunning()
{
    // The application's own loop is level 1; anything deeper is a box's,
    // a dialog's or a pause's.
    if (QThread::currentThread()->loopLevel() > 1)
        return true;
    return qobject_cast<QApplication*>(QCoreApplication::instance()) && QApplication::activeModalWidget();
}
