// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/KeyHint.h"

#include "core/LanguageTexts.h"

#include <QVariant>
#include <QWidget>

namespace {

constexpr const char* KeyProperty = "glimviewHintKey";
constexpr const char* StatusTipProperty = "glimviewHintAsStatusTip";

void ShowHint(QWidget* widget)
{
    const QString text
        = HintWithKey(widget->accessibleName(), widget->property(KeyProperty).value<QKeySequence>());
    if (widget->property(StatusTipProperty).toBool())
        widget->setStatusTip(text);
    else
        widget->setToolTip(text);
}

} // namespace

QString HintWithKey(const QString& hint, const QKeySequence& key)
{
    QString format = LanguageTexts[QStringLiteral("KeyHint")];
    // Without the language's own format (an old file) the hint stays as it is.
    if (format.count(QStringLiteral("%s")) != 2)
        return hint;
    // Filled in one pass, so that a "%s" inside the hint stays text.
    const qsizetype first = format.indexOf(QStringLiteral("%s"));
    const qsizetype second = format.indexOf(QStringLiteral("%s"), first + 2);
    return format.left(first) + hint + format.mid(first + 2, second - first - 2)
        + key.toString(QKeySequence::NativeText) + format.mid(second + 2);
}

void SetHintWithKey(QWidget* widget, const QString& hint, const QKeySequence& key, bool asStatusTip)
{
    widget->setAccessibleName(hint);
    widget->setProperty(KeyProperty, key);
    widget->setProperty(StatusTipProperty, asStatusTip);
    ShowHint(widget);
}

void RefreshKeyHints(const QWidget* window)
{
    for (QWidget* widget : window->findChildren<QWidget*>())
        if (widget->property(KeyProperty).isValid())
            ShowHint(widget);
}
