// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/PlainText.h"

#include <QLabel>

QMessageBox::StandardButton ShowPlainMessage(QWidget* owner, QMessageBox::Icon icon, const QString& title,
    const QString& text, QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons, owner);
    box.setTextFormat(Qt::PlainText);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

QLabel* PlainLabel(QLabel* label)
{
    label->setTextFormat(Qt::PlainText);
    return label;
}
