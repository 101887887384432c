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
    // Without the language's own format (an old file) the hint stays as it is.
    if (LanguageTexts[QStringLiteral("KeyHint")].count(QStringLiteral("%s")) != 2)
        return hint;
    return LanguageText(QStringLiteral("KeyHint"), hint, key.toString(QKeySequence::NativeText));
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
