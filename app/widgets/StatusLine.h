// SPDX-License-Identifier: GPL-2.0-or-later
// TStatusLine: the panel's one-line status text. Every text it is given is
// also told to screen readers: a label's new name is not read out by them,
// so the line is a notification, shown anew with each text.
#pragma once

#include <QLabel>

class TStatusLine : public QLabel {
    Q_OBJECT
public:
    explicit TStatusLine(QWidget* parent = nullptr);

    // Shows the text and announces it, also when it repeats the last one.
    void ShowStatus(const QString& text);
};
