// SPDX-License-Identifier: GPL-2.0-or-later
#include "WidgetTestSupport.h"

#include <QApplication>
#include <QTest>
#include <QWindow>

QPixmap SolidPicture(QColor colour, QSize size)
{
    QPixmap picture(size);
    picture.fill(colour);
    return picture;
}

std::unique_ptr<QWidget> ShowSkinnedWindow(const QRect& bounds)
{
    auto window = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
    window->setGeometry(bounds);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return nullptr;
    return window;
}

namespace {

QPoint Local(QWidget* window, QPoint global) { return window->windowHandle()->mapFromGlobal(global); }

} // namespace

void PressAt(QWidget* window, QPoint global, Qt::MouseButton button)
{
    QTest::mousePress(window->windowHandle(), button, {}, Local(window, global));
}

void MoveTo(QWidget* window, QPoint global, Qt::KeyboardModifiers modifiers)
{
    QTest::mouseEvent(
        QTest::MouseMove, window->windowHandle(), Qt::NoButton, modifiers, Local(window, global));
}

void ReleaseAt(QWidget* window, QPoint global, Qt::MouseButton button)
{
    QTest::mouseRelease(window->windowHandle(), button, {}, Local(window, global));
}

void DoubleClickAt(QWidget* window, QPoint global)
{
    QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {}, Local(window, global));
}
