// SPDX-License-Identifier: GPL-2.0-or-later
// Texts from the language files, file and folder names, device names and
// error texts are shown as typed. Qt takes a text that looks like HTML as rich
// text, and would then load an `<img src=...>` from a hostile folder name.
#pragma once

#include <QMessageBox>
#include <QString>

class QLabel;

// A box whose text is plain, with the given buttons; what exec() answers.
QMessageBox::StandardButton ShowPlainMessage(QWidget* owner, QMessageBox::Icon icon, const QString& title,
    const QString& text, QMessageBox::StandardButtons buttons = QMessageBox::Ok,
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// A label that shows its text as typed.
QLabel* PlainLabel(QLabel* label);
