// SPDX-License-Identifier: GPL-2.0-or-later
#include "widgets/WindowAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace {

// Asked for each class up the chain: "QWidget" is reached only by windows
// no class of Qt's own (a dialog, a main window, a menu) has answered for.
QAccessibleInterface* WindowFactory(const QString& className, QObject* object)
{
    if (className != QLatin1String("QWidget") || !object || !object->isWidgetType())
        return nullptr;
    auto* window = static_cast<QWidget*>(object);
    if (!window->isWindow())
        return nullptr;
    const bool dialog = window->windowType() == Qt::Dialog;
    return new QAccessibleWidget(window, dialog ? QAccessible::Dialog : QAccessible::Window);
}

} // namespace

void InstallWindowAccessibility()
{
    static const bool installed = (QAccessible::installFactory(WindowFactory), true); // once
    (void)installed;
}
