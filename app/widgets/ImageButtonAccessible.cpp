// SPDX-License-Identifier: GPL-2.0-or-later
// What screen readers see of a TImageButton: a push button named by its hint,
// whose one action clicks it. Qt's own button interface would make the
// latching buttons check boxes with a "Toggle" action.
#include "widgets/ImageButton.h"

#include <QAccessibleWidget>

namespace {

// QAccessibleWidget is its own action interface already.
class TImageButtonAccessible : public QAccessibleWidget {
public:
    explicit TImageButtonAccessible(TImageButton* button)
        : QAccessibleWidget(button, QAccessible::Button)
    {
    }

    TImageButton* Button() const { return static_cast<TImageButton*>(widget()); }

    // The hint the pointer shows is the name; a button whose hint is kept
    // off the screen (the panel's minimise and close) has it as status tip.
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            const TImageButton* button = Button();
            if (!button->accessibleName().isEmpty())
                return button->accessibleName();
            if (!button->toolTip().isEmpty())
                return button->toolTip();
            return button->statusTip();
        }
        if (t == QAccessible::Description)
            return Button()->accessibleDescription();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = Button()->isCheckable();
        s.checked = Button()->isChecked();
        return s;
    }

    QStringList actionNames() const override { return { pressAction() }; }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    void doAction(const QString& name) override
    {
        // The click comes from a timer: the reader's call returns at once, and
        // whatever the click opens (a question, a menu) runs in the ordinary
        // event loop.
        if (name == pressAction() && Button()->isVisible())
            Button()->animateClick();
    }
};

QAccessibleInterface* ImageButtonFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("TImageButton") && object && object->isWidgetType())
        return new TImageButtonAccessible(static_cast<TImageButton*>(object));
    return nullptr;
}

} // namespace

void InstallImageButtonAccessibility()
{
    static const bool installed = (QAccessible::installFactory(ImageButtonFactory), true); // once
    (void)installed;
}
