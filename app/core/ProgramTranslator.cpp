// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/ProgramTranslator.h"

#include "core/LanguageTexts.h"

#include <QCoreApplication>
#include <QHash>
#include <QLibraryInfo>

#include <cstring>

QString TLanguageTranslator::KeyOf(const char* sourceText)
{
    static const QHash<QString, QString> keys {
        { "Brightness", "BrightnessLabel" },
        { "Contrast", "ContrastLabel" },
        { "Hue", "HueLabel" },
        { "Saturation", "SaturationLabel" },
        { "Defaults", "DefaultsButton" },
        { "This device has no adjustable settings.", "NoSettingsMsg" },
    };
    return keys.value(QString::fromUtf8(sourceText));
}

QString TLanguageTranslator::translate(const char* context, const char* sourceText, const char*, int) const
{
    if (!context || !sourceText || std::strcmp(context, "vidcore") != 0)
        return {};
    const QString key = KeyOf(sourceText);
    // A file without the key leaves the library's own English word.
    return key.isEmpty() ? QString() : LanguageTexts[key];
}

QStringList QtLocalesOf(const QString& languageName)
{
    static const QHash<QString, QStringList> locales {
        { "Korean", { "ko" } },
        { "ChineseKanche", { "zh_CN" } },
        { "ChineseBunche", { "zh_TW" } },
        { "Greek", { "el" } },
        { "Norwegian", { "nb", "nn" } },
        { "Danish", { "da" } },
        { "Russian", { "ru" } },
        { "Brazil", { "pt_BR" } },
        { "Sweden", { "sv" } },
        { "Spanish", { "es" } },
        { "UAE", { "ar" } },
        { "Czech", { "cs" } },
        { "Turkish", { "tr" } },
        { "Portuguese", { "pt_PT", "pt", "pt_BR" } },
        { "French", { "fr" } },
        { "Finnish", { "fi" } },
        { "Hungarian", { "hu" } },
        { "Hebrew", { "he" } },
        { "German", { "de" } },
        { "Italian", { "it" } },
        { "Polish", { "pl" } },
    };
    return locales.value(languageName);
}

QString InstallProgramTranslations(QCoreApplication& app, const QString& languageName)
{
    QCoreApplication::installTranslator(new TLanguageTranslator(&app));
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const QString& locale : QtLocalesOf(languageName)) {
        auto* qt = new QTranslator(&app);
        if (qt->load(QStringLiteral("qtbase_") + locale, folder)) {
            // Qt's contexts and the capture library's never meet, so the
            // order of the two translators does not matter.
            QCoreApplication::installTranslator(qt);
            return locale;
        }
        delete qt;
    }
    return {};
}
