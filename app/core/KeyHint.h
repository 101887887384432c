// SPDX-License-Identifier: GPL-2.0-or-later
// A button's hint with the key that presses it, as its tooltip shows it:
// "Take a snapshot (Space)", in the user's language and key names.
#pragma once

#include <QKeySequence>
#include <QString>

class QWidget;

QString HintWithKey(const QString& hint, const QKeySequence& key);

// Names the widget by the hint for screen readers and shows the hint with
// its key as tooltip, or as status tip for a widget that shows no tooltip.
void SetHintWithKey(QWidget* widget, const QString& hint, const QKeySequence& key, bool asStatusTip = false);

// Writes the hints within the window anew: Qt's key names follow its
// translations, which may be installed after the hints were first set.
void RefreshKeyHints(const QWidget* window);
