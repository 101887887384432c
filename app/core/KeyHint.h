// SPDX-License-Identifier: GPL-2.0-or-later
// A button's hint with the key that presses it, as its tooltip shows it:
// "Take a snapshot (Space)", in the user's language and key names.
#pragma once

#include <QKeySequence>
#include <QString>

QString HintWithKey(const QString& hint, const QKeySequence& key);
