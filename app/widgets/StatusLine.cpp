// SPDX-License-Identifier: GPL-2.0-or-later
#include "widgets/StatusLine.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

// A notification named by the text on the line. Screen readers speak a
// notification when it is shown, so each new text reports the line shown.
class TStatusLineAccessible : public QAccessibleWidget {
public:
    explicit TStatusLineAccessible(QLabel* line)
        : QAccessibleWidget(line, QAccessible::Notification)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return static_cast<const QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* StatusLineFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("TStatusLine") && object && object->isWidgetType())
        return new TStatusLineAccessible(static_cast<QLabel*>(object));
    return nullptr;
}

} // namespace

TStatusLine::TStatusLine(QWidget* parent)
    : QLabel(parent)
{
    static const bool installed = (QAccessible::installFactory(StatusLineFactory), true); // once
    (void)installed;
    // Device names and paths reach the line: never read as rich text.
    setTextFormat(Qt::PlainText);
}

void TStatusLine::ShowStatus(const QString& text)
{
    setText(text);
    if (!isVisible())
        return;
    QAccessibleEvent shown(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}
