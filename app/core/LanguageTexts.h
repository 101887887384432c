// SPDX-License-Identifier: GPL-2.0-or-later
// The user-visible texts of the program's own windows, read once at start-up
// from Languages/<LanguageName>.ini, section <LanguageName>, in the language
// that the system's language identifier picks.
#pragma once

#include "core/LangId.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <type_traits>

struct TLanguage {
    QString Name; // file name stem and section name
    QString Font; // font face for the controls that show these texts
    int CodePage; // the Windows code page an 8-bit file of this language is written in
};

// Identifiers are compared whole (language and country together) first; one
// without a row of its own takes the row of its language (Chinese by script:
// traditional or simplified). Anything else is English with "Times New Roman".
TLanguage LanguageForLangId(TLangId langId);

// The keys read from a language file, in the order they are read.
const QStringList& LanguageTextKeys();

// Longer texts are cut to this many characters, as the profile functions'
// 2048-character buffer does.
constexpr qsizetype MaxLanguageTextLength = 2047;
// A language file is read only when it is a regular file of at most this
// size (the shipped ones are a few kilobytes); anything else gives no texts.
constexpr qint64 MaxLanguageFileSize = 1024 * 1024;

class TLanguageTexts {
public:
    TLanguageTexts() = default;
    explicit TLanguageTexts(QHash<QString, QString> texts);

    // Empty for a key the file did not give.
    QString operator[](const QString& key) const { return FTexts.value(key); }
    bool Contains(const QString& key) const { return FTexts.contains(key); }

private:
    QHash<QString, QString> FTexts;
};

// Reads <baseFolder>/Languages/<language.Name>.ini. A file that is valid
// UTF-8 is read as UTF-8, any other as the language's code page. No file, no
// section or no key gives empty texts.
TLanguageTexts LoadLanguageTexts(const QString& baseFolder, const TLanguage& language);

// Process-wide, set once while the main window is created.
extern QString LanguageName;
extern QString LanguageFont;
extern TLanguageTexts LanguageTexts;

// The text with its "%s" and "%d" placeholders filled in order, in one pass:
// a placeholder inside an argument stays text. A placeholder left without an
// argument stays as it is; an argument left without a placeholder is dropped.
QString FillPlaceholders(const QString& text, const QStringList& arguments);

// The language's text for the key with its placeholders filled from texts or numbers.
template <typename... TArgs> QString LanguageText(const QString& key, const TArgs&... args)
{
    const auto asText = [](const auto& arg) {
        if constexpr (std::is_arithmetic_v<std::decay_t<decltype(arg)>>)
            return QString::number(arg);
        else
            return QString(arg);
    };
    return FillPlaceholders(LanguageTexts[key], { asText(args)... });
}

// Picks the language from the system's language identifier and loads its
// texts from under baseFolder into the three process-wide values.
void LoadSystemLanguage(const QString& baseFolder);
