// SPDX-License-Identifier: GPL-2.0-or-later
// TTessaly: the about box, with the product's icon, name, version and the
// rights line (the maker, and the licence: free software under the GNU GPL,
// version 2 or later), in Korean on a Korean system and in English elsewhere.
// Esc closes it, as it does any dialog.
#pragma once

#include <QDialog>

class QLabel;

class TTessaly : public QDialog {
    Q_OBJECT
    friend struct TTessalyTestAccess;

public:
    explicit TTessaly(QWidget* parent = nullptr);

    // Sets the texts for the system's language and shows the box modally.
    void pmiBrightletViewerClick();
    // The texts for a language identifier, without showing the box.
    void ApplyTexts(unsigned langId);

private:
    QLabel* Label2; // the version
    QLabel* Label3; // the rights line
};
