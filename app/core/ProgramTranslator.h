// SPDX-License-Identifier: GPL-2.0-or-later
// Qt's own words (Yes, No, OK, Close, the file dialogs) and the capture
// library's follow the language chosen for the program's windows.
#pragma once

#include <QStringList>
#include <QTranslator>

class QCoreApplication;

// Answers the capture library's words ("vidcore" context) from the held
// language texts; everything else it leaves to the translators after it.
class TLanguageTranslator : public QTranslator {
    Q_OBJECT
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
        int n = -1) const override;

    // The language file key holding a word of the capture library; empty
    // for a word it does not know.
    static QString KeyOf(const char* sourceText);
};

// The Qt locale names whose translations serve a language of the table, best
// first; empty for English.
QStringList QtLocalesOf(const QString& languageName);

// Installs Qt's translations for the chosen language (when Debian's
// qt6-translations-l10n holds them) and the capture library's words. Returns
// the Qt locale whose translations were loaded, or an empty text.
QString InstallProgramTranslations(QCoreApplication& app, const QString& languageName);
