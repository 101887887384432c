// SPDX-License-Identifier: GPL-2.0-or-later
// Every shipped language as the user sees it: its designed font face maps to
// an installed font covering its script at a normal width, no character of
// its texts lacks a glyph, every status text fits the status well, and Qt's
// and the capture library's words follow the language.
#include "CoreApplication.h"
#include "core/FontFaces.h"
#include "core/LanguageTexts.h"
#include "core/ProgramTranslator.h"
#include "shell/MainFrm.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QImage>
#include <QLibraryInfo>
#include <QRawFont>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <utility>

namespace {

const QString SourceDir = GLIMVIEW_SOURCE_DIR;

// One identifier per row of the language table.
const TLangId ShippedLangIds[] = { 0x0412, 0x3C09, 0x0804, 0x1C04, 0x0408, 0x0C14, 0x0406, 0x0419, 0x0416,
    0x0C1D, 0x7C0A, 0x7C01, 0x0405, 0x041F, 0x0816, 0x1C0C, 0x040B, 0x040E, 0x040D, 0x1C07, 0x0C10, 0x0415 };

const QStringList StatusKeys { "CameraLoading", "CemaraNoLoaded", "CemaraLoaded", "Recoding",
    "SnapshotStatus", "VideoStatus" };

class LanguageRendering : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test_support::EnsureApplication<QApplication>(); }
};

// The language's face as the program maps it for that language, built
// directly from the mapping: Qt's font cache would keep the first mapping
// of a face for the whole process.
QFont StatusFont(const TLanguage& language)
{
    QFont font;
    font.setFamilies(FontFaceSubstitutes(language.Font, language.CodePage));
    font.setPixelSize(11);
    return font;
}

} // namespace

TEST_F(LanguageRendering, EveryLanguageDrawsInAFaceOfItsScriptNoWiderThanDejaVuSans)
{
    const QStringList cjkFaces { "NanumGothic", "NanumMyeongjo", "WenQuanYi Micro Hei" };
    const QStringList latinFaces { "Liberation Sans", "Liberation Serif", "DejaVu Sans", "DejaVu Serif" };
    QFont dejaVu(QStringLiteral("DejaVu Sans"));
    dejaVu.setPixelSize(11);
    for (const TLangId langId : ShippedLangIds) {
        const TLanguage language = LanguageForLangId(langId);
        SCOPED_TRACE(language.Name.toStdString());
        const QStringList families = FontFaceSubstitutes(language.Font, language.CodePage);
        ASSERT_FALSE(families.isEmpty());
        for (const QString& family : families)
            EXPECT_TRUE(QFontDatabase::hasFamily(family)) << family.toStdString() << " is not installed";
        // The face the texts are drawn in, and the one it must be for the script.
        const QString face = families.constFirst();
        const bool cjk = language.CodePage == 949 || language.CodePage == 936 || language.CodePage == 950;
        if (cjk)
            EXPECT_TRUE(cjkFaces.contains(face)) << face.toStdString();
        else if (language.CodePage == 1256)
            EXPECT_TRUE(face == "Amiri" || face == "DejaVu Sans") << face.toStdString();
        else if (language.CodePage == 1255)
            EXPECT_EQ(face, "DejaVu Sans");
        else
            EXPECT_TRUE(latinFaces.contains(face)) << face.toStdString();
        for (const QString& family : families)
            EXPECT_TRUE(cjk || !cjkFaces.contains(family))
                << family.toStdString() << " stands for a Latin face";

        // Every character of every text is in that face itself, not in a
        // fallback, and no text runs wider than in DejaVu Sans by more than
        // a quarter, letter spacing and italic (the strip captions) included.
        const TLanguageTexts texts = LoadLanguageTexts(SourceDir, language);
        QFont upright = StatusFont(language);
        QFont italic = upright;
        italic.setItalic(true);
        QFont dejaVuItalic = dejaVu;
        dejaVuItalic.setItalic(true);
        EXPECT_EQ(QFontInfo(upright).family(), face);
        const QRawFont faceItself = QRawFont::fromFont(QFont(face));
        ASSERT_TRUE(faceItself.isValid());
        int checked = 0;
        for (const QString& key : LanguageTextKeys()) {
            const QString text = texts[key];
            if (text.isEmpty())
                continue;
            ++checked;
            for (const uint c : text.toUcs4()) {
                if (QChar::isPrint(c) && !QChar::isSpace(c)) {
                    EXPECT_TRUE(faceItself.supportsCharacter(c))
                        << qPrintable(key) << ": U+" << std::hex << c << " is not in " << qPrintable(face);
                }
            }
            const std::pair<QFont, QFont> pairs[] = { { upright, dejaVu }, { italic, dejaVuItalic } };
            for (const auto& [font, reference] : pairs) {
                const double width = QFontMetricsF(font).horizontalAdvance(text);
                const double limit = 1.25 * QFontMetricsF(reference).horizontalAdvance(text);
                EXPECT_LE(width, limit)
                    << qPrintable(key) << (font.italic() ? " italic: " : ": ") << qPrintable(text);
            }
        }
        EXPECT_GT(checked, 20);

        // What the program registers for this language is that mapping.
        MapDesignedFontFaces(language.CodePage);
        QStringList lowerCase; // as Qt keeps the names
        for (const QString& family : families)
            lowerCase << family.toLower();
        EXPECT_EQ(QFont::substitutes(language.Font), lowerCase);
    }
    EXPECT_TRUE(FontFaceSubstitutes("Comic Sans MS", 1252).isEmpty());
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
        const QFont upright = StatusFont(language);
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
    const QRect area = TMainForm::StatusArea;
    // The well is the dark band of the skin across the area's middle row. A
    // text keeps the same margin to both of its ends, whichever way it runs.
    const QImage skin(SourceDir + QStringLiteral("/skins/main_back.png"));
    ASSERT_FALSE(skin.isNull());
    const auto dark = [&](int x) { return qGray(skin.pixel(x, area.center().y())) < 40; };
    int wellLeft = area.left();
    while (dark(wellLeft - 1))
        --wellLeft;
    int wellRight = area.right();
    while (dark(wellRight + 1))
        ++wellRight;
    EXPECT_TRUE(dark(area.left()) && dark(area.right()));
    EXPECT_EQ(area.left() - wellLeft, wellRight - area.right());
    EXPECT_GE(area.left() - wellLeft, 4);

    const int room = area.width();
    for (const TLangId langId : ShippedLangIds) {
        const TLanguage language = LanguageForLangId(langId);
        const TLanguageTexts texts = LoadLanguageTexts(SourceDir, language);
        const QFontMetrics metrics(StatusFont(language));
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
