// SPDX-License-Identifier: GPL-2.0-or-later
// Every shipped language as the user sees it: its designed font face maps to
// an installed font, no character of its texts lacks a glyph, every status
// text fits the status well, and Qt's and the capture library's words follow
// the language.
#include "core/FontFaces.h"
#include "core/LanguageTexts.h"
#include "core/ProgramTranslator.h"
#include "shell/MainFrm.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QLibraryInfo>
#include <QTextLayout>

#include <gtest/gtest.h>

namespace {

const QString SourceDir = GLIMVIEW_SOURCE_DIR;

// One identifier per row of the language table.
const TLangId ShippedLangIds[] = { 0x0412, 0x3C09, 0x0804, 0x1C04, 0x0408, 0x0C14, 0x0406, 0x0419, 0x0416,
    0x0C1D, 0x7C0A, 0x7C01, 0x0405, 0x041F, 0x0816, 0x1C0C, 0x040B, 0x040E, 0x040D, 0x1C07, 0x0C10, 0x0415 };

const QStringList StatusKeys { "CameraLoading", "CemaraNoLoaded", "CemaraLoaded", "Recoding",
    "SnapshotStatus", "VideoStatus" };

class LanguageRendering : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QApplication::instance()) {
            static int argc = 1;
            static char name[] = "shell_language_rendering_tests";
            static char* argv[] = { name, nullptr };
            new QApplication(argc, argv);
        }
        MapDesignedFontFaces();
    }
};

QFont StatusFont(const QString& face)
{
    QFont font(face);
    font.setPixelSize(11);
    return font;
}

} // namespace

TEST_F(LanguageRendering, DesignedFacesMapToInstalledFontsOfTheSameKind)
{
    const auto family = [](const char* face) { return QFontInfo(QFont(QString::fromLatin1(face))).family(); };
    EXPECT_EQ(family("Gulim"), "NanumGothic");
    EXPECT_EQ(family("BaTang"), "NanumMyeongjo");
    EXPECT_EQ(family("ms song"), "WenQuanYi Micro Hei");
    EXPECT_EQ(family("Arial"), "Liberation Sans");
    EXPECT_EQ(family("Times New Roman"), "Liberation Serif");
    EXPECT_EQ(family("NSimSun"), "WenQuanYi Micro Hei");
    EXPECT_TRUE(FontFaceSubstitutes("Comic Sans MS").isEmpty());
}

// Characters of `text` that come out as no glyph (the font's glyph 0) when
// it is laid out in `font`, fallback fonts included.
int MissingGlyphs(const QString& text, const QFont& font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    int missing = 0;
    for (const QGlyphRun& run : layout.glyphRuns())
        for (const quint32 glyph : run.glyphIndexes())
            missing += glyph == 0;
    return missing;
}

TEST_F(LanguageRendering, NoCharacterOfAnyLanguageLacksAGlyph)
{
    for (const TLangId langId : ShippedLangIds) {
        const TLanguage language = LanguageForLangId(langId);
        const TLanguageTexts texts = LoadLanguageTexts(SourceDir, language);
        // The status line's upright face and the strip captions' italic one.
        const QFont upright = StatusFont(language.Font);
        QFont italic = upright;
        italic.setItalic(true);
        int checked = 0;
        for (const QString& key : LanguageTextKeys()) {
            const QString text = texts[key];
            if (text.isEmpty())
                continue;
            checked += static_cast<int>(text.size());
            EXPECT_EQ(MissingGlyphs(text, upright), 0) << qPrintable(language.Name) << " " << qPrintable(key);
            EXPECT_EQ(MissingGlyphs(text, italic), 0)
                << qPrintable(language.Name) << " italic " << qPrintable(key);
        }
        EXPECT_GT(checked, 200) << qPrintable(language.Name) << ": the file was read";
    }
}

TEST_F(LanguageRendering, EveryStatusTextFitsTheStatusWellWithCountsUpTo999)
{
    const int room = TMainForm::StatusArea.width();
    for (const TLangId langId : ShippedLangIds) {
        const TLanguage language = LanguageForLangId(langId);
        const TLanguageTexts texts = LoadLanguageTexts(SourceDir, language);
        const QFontMetrics metrics(StatusFont(language.Font));
        for (const QString& key : StatusKeys) {
            const QString text = QString(texts[key]).replace(QStringLiteral("%d"), QStringLiteral("999"));
            ASSERT_FALSE(text.isEmpty()) << qPrintable(language.Name) << " " << qPrintable(key);
            EXPECT_LE(metrics.horizontalAdvance(text), room)
                << qPrintable(language.Name) << " " << qPrintable(key) << ": " << qPrintable(text);
        }
    }
}

TEST_F(LanguageRendering, QtAndTheCaptureLibrarySpeakTheChosenLanguage)
{
    // Every language but English names the Qt translations that serve it.
    for (const TLangId langId : ShippedLangIds) {
        const TLanguage language = LanguageForLangId(langId);
        EXPECT_EQ(QtLocalesOf(language.Name).isEmpty(), language.Name == "English")
            << qPrintable(language.Name);
    }

    // German: Qt's own buttons and the settings dialog's words.
    LanguageTexts = TLanguageTexts({ { "DefaultsButton", QString::fromUtf8("Standardwerte") },
        { "BrightnessLabel", QString::fromUtf8("Helligkeit") },
        { "NoSettingsMsg", QString::fromUtf8("Dieses Gerät hat keine Einstellungen.") } });
    const QString loaded
        = InstallProgramTranslations(*QCoreApplication::instance(), QStringLiteral("German"));
    EXPECT_EQ(loaded, "de");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QString::fromUtf8("&Ja"));
    EXPECT_EQ(QCoreApplication::translate("vidcore", "Defaults"), QString::fromUtf8("Standardwerte"));
    EXPECT_EQ(QCoreApplication::translate("vidcore", "Brightness"), QString::fromUtf8("Helligkeit"));
    EXPECT_EQ(QCoreApplication::translate("vidcore", "This device has no adjustable settings."),
        QString::fromUtf8("Dieses Gerät hat keine Einstellungen."));
    // A key the file lacks leaves the library's English; driver names pass.
    EXPECT_EQ(QCoreApplication::translate("vidcore", "Hue"), QStringLiteral("Hue"));
    EXPECT_EQ(QCoreApplication::translate("vidcore", "White Balance Temperature"),
        QStringLiteral("White Balance Temperature"));
    EXPECT_EQ(TLanguageTranslator::KeyOf("Saturation"), "SaturationLabel");
}
