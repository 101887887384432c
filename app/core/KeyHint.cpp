// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/KeyHint.h"

#include "core/LanguageTexts.h"

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
