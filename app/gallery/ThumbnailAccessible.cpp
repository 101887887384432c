// SPDX-License-Identifier: GPL-2.0-or-later
// What screen readers see of a thumbnail strip: a list whose items are named
// by their places, the framed one current.
#include "gallery/ThumbnailStrip.h"

#include <QAccessibleWidget>

namespace {

class TThumbnailAccessible : public QAccessibleWidget {
public:
    explicit TThumbnailAccessible(TThumbnail* item)
        : QAccessibleWidget(item, QAccessible::ListItem)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        const auto* item = static_cast<const TThumbnail*>(widget());
        s.selectable = true;
        s.selected = item->Current();
        s.focusable = true;
        s.focused = item->Current() && item->isActiveWindow();
        return s;
    }
};

QAccessibleInterface* ThumbnailFactory(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("TThumbnail"))
        return new TThumbnailAccessible(static_cast<TThumbnail*>(object));
    if (className == QLatin1String("TThumbnailList"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::List);
    return nullptr;
}

} // namespace

void InstallThumbnailAccessibility()
{
    static const bool installed = (QAccessible::installFactory(ThumbnailFactory), true); // once
    (void)installed;
}
