// SPDX-License-Identifier: LGPL-2.1-or-later
#include "full_screen.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <glib.h>

namespace vidcore {

namespace {

    class FullScreenWindow : public QWidget {
    public:
        explicit FullScreenWindow(uintptr_t messageWindow)
            : messageWindow_(messageWindow)
        {
            setObjectName(kFullScreenWindowName);
            setAttribute(Qt::WA_DeleteOnClose);
            // The video sink paints this window; Qt must not paint over it.
            setAttribute(Qt::WA_NativeWindow);
            setAttribute(Qt::WA_PaintOnScreen);
            setAttribute(Qt::WA_NoSystemBackground);
            setCursor(Qt::BlankCursor);
            setFocusPolicy(Qt::StrongFocus);
        }

        QPaintEngine* paintEngine() const override { return nullptr; }

    protected:
        void mousePressEvent(QMouseEvent* event) override
        {
            if (event->button() != Qt::LeftButton)
                return;
            if (QWidget* target = Target()) {
                const QPointF local = target->mapFromGlobal(event->globalPosition());
                QCoreApplication::postEvent(target,
                    new QMouseEvent(QEvent::MouseButtonPress, local, event->globalPosition(), Qt::LeftButton,
                        event->buttons(), event->modifiers()));
            }
        }
        void keyPressEvent(QKeyEvent* event) override
        {
            if (QWidget* target = Target())
                QCoreApplication::postEvent(target,
                    new QKeyEvent(QEvent::KeyPress, event->key(), event->modifiers(), event->text(),
                        event->isAutoRepeat()));
        }

    private:
        QWidget* Target() const { return QWidget::find(static_cast<WId>(messageWindow_)); }

        uintptr_t messageWindow_;
    };

    QPointer<FullScreenWindow>& Current()
    {
        static QPointer<FullScreenWindow> window;
        return window;
    }

} // namespace

uintptr_t OpenFullScreenWindow(uintptr_t messageWindow)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // The host's mistake, not the camera's: said on standard error, as GLib does.
        g_log("vidcore", G_LOG_LEVEL_WARNING, "full screen needs a Qt application");
        return 0;
    }
    CloseFullScreenWindow();
    auto* window = new FullScreenWindow(messageWindow);
    Current() = window;
    // Without a window manager the full-screen state alone changes nothing.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window->setGeometry(screen->geometry());
    window->showFullScreen();
    window->setFocus();
    return static_cast<uintptr_t>(window->winId());
}

void CloseFullScreenWindow()
{
    if (FullScreenWindow* window = Current()) {
        Current() = nullptr;
        window->hide();
        delete window;
    }
}

bool FullScreenWindowOpen() { return !Current().isNull(); }

} // namespace vidcore
