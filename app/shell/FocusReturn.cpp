// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/FocusReturn.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>

namespace {

constexpr qsizetype RecentWindows = 16;

// Menus, tooltips and overlays come and go without taking the keyboard from
// a window.
bool IsTransient(const QWidget* window)
{
    const Qt::WindowType type = window->windowType();
    return type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen
        || window->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus);
}

QWidget* AsWindow(QObject* object)
{
    if (!object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    return widget->isWindow() && !IsTransient(widget) ? widget : nullptr;
}

void Activate(QWidget* window)
{
    window->raise();
    window->activateWindow();
}

} // namespace

TFocusReturn::TFocusReturn(QWidget* panel)
    : QObject(panel)
    , FPanel(panel)
{
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &TFocusReturn::Remember);
    qApp->installEventFilter(this);
}

void TFocusReturn::Remember(QWindow* focusWindow)
{
    if (!focusWindow) {
        // The user went to another program, or the window went away; which
        // one is seen once the window is gone.
        if (FRecent.isEmpty())
            return;
        QTimer::singleShot(0, this, [this, left = FRecent.first()] {
            if (left && left->isVisible())
                FFocusOutside = true;
            else
                ReturnFocus(left);
        });
        return;
    }
    FFocusOutside = false;
    QWidget* window = QApplication::activeWindow();
    if (!window || IsTransient(window))
        return;
    FRecent.removeAll(window);
    FRecent.removeAll(nullptr);
    FRecent.prepend(window);
    if (FRecent.size() > RecentWindows)
        FRecent.resize(RecentWindows);
}

bool TFocusReturn::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && type != QEvent::Hide)
        return false;
    QWidget* window = AsWindow(watched);
    if (!window)
        return false;
    if (type == QEvent::Show && window->windowType() == Qt::Dialog) {
        // A dialog or box takes the keys, once the window system knows it.
        QTimer::singleShot(0, window, [window] { Activate(window); });
    } else if (type == QEvent::Hide && !FFocusOutside && !FRecent.isEmpty() && FRecent.first() == window) {
        // Qt forgets a closed window's focus without a word (the window may
        // be gone before it could say), so its hiding is the sign.
        QTimer::singleShot(0, this, [this, left = QPointer<QWidget>(window)] { ReturnFocus(left); });
    }
    return false;
}

void TFocusReturn::ReturnFocus(const QPointer<QWidget>& left)
{
    // The window system gave the focus to a window already.
    if (QApplication::activeWindow())
        return;
    for (const QPointer<QWidget>& window : std::as_const(FRecent)) {
        if (window && window != left && window->isVisible() && !window->isMinimized()) {
            Activate(window);
            return;
        }
    }
    if (FPanel && FPanel->isVisible() && !FPanel->isMinimized())
        Activate(FPanel);
}
