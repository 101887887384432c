// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/LanguageTexts.h"
#include "core/CodePage.h"
#include "core/LangId.h"
#include "core/ProfileReader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <iconv.h>
#include <sys/stat.h>

namespace {

const QString SourceDir = GLIMVIEW_SOURCE_DIR;
const QString RunDir = GLIMVIEW_RUN_DIR;

const QStringList ShippedLanguages { "Korean", "English", "ChineseKanche", "ChineseBunche", "Greek",
    "Norwegian", "Danish", "Russian", "Brazil", "Sweden", "Spanish", "UAE", "Czech", "Turkish", "Portuguese",
    "French", "Finnish", "Hungarian", "Hebrew", "German", "Italian", "Polish" };

TLanguage LanguageOfLocale(const char* locale) { return LanguageForLangId(LangIdFromLocaleName(locale)); }

// A base folder holding Languages/<name>.ini with the given bytes.
class TLanguageFolder {
public:
    TLanguageFolder(const QString& name, const QByteArray& bytes)
    {
        QDir(FDir.path()).mkpath("Languages");
        QFile file(FDir.filePath("Languages/" + name + ".ini"));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }
    QString Path() const { return FDir.path(); }

private:
    QTemporaryDir FDir;
};

// Sets the locale variables for one test and puts them back afterwards.
class TLocaleEnvironment {
public:
    TLocaleEnvironment(const char* all, const char* messages, const char* lang)
    {
        for (const char* name : Names)
            FSaved.append(qgetenv(name));
        Set("LC_ALL", all);
        Set("LC_MESSAGES", messages);
        Set("LANG", lang);
    }
    ~TLocaleEnvironment()
    {
        for (int i = 0; i < 3; ++i)
            Set(Names[i], FSaved[i].isNull() ? nullptr : FSaved[i].constData());
    }

private:
    static void Set(const char* name, const char* value)
    {
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    static constexpr const char* Names[3] = { "LC_ALL", "LC_MESSAGES", "LANG" };
    QList<QByteArray> FSaved;
};

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The code page the language table gives a shipped language.
int CodePageOf(const QString& name)
{
    for (int langId = 0; langId <= 0xFFFF; ++langId)
        if (const TLanguage language = LanguageForLangId(TLangId(langId)); language.Name == name)
            return language.CodePage;
    return 0;
}

// True when every character of the UTF-8 text has a place in the code page,
// so the file can be written 8-bit as its language's users keep it.
bool FitsCodePage(const QByteArray& utf8, int codePage)
{
    iconv_t converter = iconv_open(("CP" + QByteArray::number(codePage)).constData(), "UTF-8");
    if (converter == iconv_t(-1))
        return false;
    QByteArray input = utf8;
    QByteArray output(input.size() * 4 + 16, '\0');
    char* in = input.data();
    char* out = output.data();
    size_t inLeft = size_t(input.size());
    size_t outLeft = size_t(output.size());
    const bool fits = iconv(converter, &in, &inLeft, &out, &outLeft) != size_t(-1) && inLeft == 0;
    iconv_close(converter);
    return fits;
}

} // namespace

TEST(ShellLangId, LocaleNamesGiveWindowsLanguageIdentifiers)
{
    EXPECT_EQ(LangIdFromLocaleName("ko_KR.UTF-8"), 0x0412);
    EXPECT_EQ(LangIdFromLocaleName("ko_KR.euckr"), 0x0412);
    EXPECT_EQ(LangIdFromLocaleName("en_US.UTF-8"), 0x0409);
    EXPECT_EQ(LangIdFromLocaleName("en_HK"), 0x3C09);
    EXPECT_EQ(LangIdFromLocaleName("de_DE@euro"), 0x0407);
    EXPECT_EQ(LangIdFromLocaleName("de_AT.ISO-8859-15@euro"), 0x0C07);
    EXPECT_EQ(LangIdFromLocaleName("zh_CN.GB18030"), 0x0804);
    EXPECT_EQ(LangIdFromLocaleName("zh_TW.Big5"), 0x0404);
    EXPECT_EQ(LangIdFromLocaleName("sr_RS@latin"), 0x241A);
    EXPECT_EQ(LangIdFromLocaleName("sr_RS"), 0x281A);
    EXPECT_EQ(LangIdFromLocaleName("pt_BR"), 0x0416);
    EXPECT_EQ(LangIdFromLocaleName("pt_PT"), 0x0816);
    EXPECT_EQ(LangIdFromLocaleName("ar_AE.UTF-8"), 0x3801);
    // Known language, unknown country: the language's default.
    EXPECT_EQ(LangIdFromLocaleName("ko"), 0x0412);
    EXPECT_EQ(LangIdFromLocaleName("fr_XX"), 0x040C);
    EXPECT_EQ(LangIdFromLocaleName("C"), 0x0409);
    EXPECT_EQ(LangIdFromLocaleName("POSIX"), 0x0409);
    EXPECT_EQ(LangIdFromLocaleName(""), 0x0409);
}

TEST(ShellLangId, LcAllThenLcMessagesThenLang)
{
    {
        TLocaleEnvironment env("", "ko_KR.UTF-8", "de_DE.UTF-8");
        EXPECT_EQ(MessagesLocaleName(), "ko_KR.UTF-8");
        EXPECT_EQ(SystemDefaultLangId(), 0x0412);
    }
    {
        TLocaleEnvironment env("fr_FR.UTF-8", "ko_KR.UTF-8", "de_DE.UTF-8");
        EXPECT_EQ(SystemDefaultLangId(), 0x040C);
    }
    {
        TLocaleEnvironment env(nullptr, nullptr, "pt_BR.UTF-8");
        EXPECT_EQ(SystemDefaultLangId(), 0x0416);
    }
    {
        TLocaleEnvironment env(nullptr, nullptr, nullptr);
        EXPECT_EQ(SystemDefaultLangId(), 0x0409);
    }
}

TEST(ShellLanguage, EveryLocaleOfAShippedLanguageChoosesItsFile)
{
    const auto expect = [](const char* locale, const char* name, const char* font) {
        const TLanguage language = LanguageOfLocale(locale);
        EXPECT_EQ(language.Name, name) << locale;
        EXPECT_EQ(language.Font, font) << locale;
    };
    // Exact rows first.
    expect("ko_KR.UTF-8", "Korean", "Gulim");
    expect("en_HK", "English", "Gulim");
    expect("zh_CN", "ChineseKanche", "ms song");
    expect("el_GR", "Greek", "Arial");
    expect("da_DK", "Danish", "Arial");
    expect("ru_RU", "Russian", "BaTang");
    expect("pt_BR", "Brazil", "Arial");
    expect("pt_PT", "Portuguese", "Arial");
    expect("cs_CZ", "Czech", "Times New Roman");
    expect("tr_TR", "Turkish", "Times New Roman");
    expect("fi_FI", "Finnish", "Times New Roman");
    expect("hu_HU", "Hungarian", "Times New Roman");
    expect("he_IL", "Hebrew", "Times New Roman");
    expect("pl_PL", "Polish", "Times New Roman");

    // No exact row: the row of the same language.
    for (const char* locale : { "de_DE.UTF-8", "de_AT", "de_CH", "de_LU", "de" })
        expect(locale, "German", "Times New Roman");
    for (const char* locale : { "fr_FR.UTF-8", "fr_BE", "fr_CA", "fr_CH" })
        expect(locale, "French", "Times New Roman");
    for (const char* locale : { "es_ES.UTF-8", "es_MX", "es_AR", "es_US" })
        expect(locale, "Spanish", "Times New Roman");
    for (const char* locale : { "it_IT.UTF-8", "it_CH" })
        expect(locale, "Italian", "Times New Roman");
    for (const char* locale : { "sv_SE.UTF-8", "sv_FI" })
        expect(locale, "Sweden", "Times New Roman");
    for (const char* locale : { "nb_NO.UTF-8", "nn_NO", "no_NO" })
        expect(locale, "Norwegian", "Times New Roman");
    for (const char* locale : { "ar_AE.UTF-8", "ar_SA", "ar_EG", "ar_MA" })
        expect(locale, "UAE", "Times New Roman");
    expect("ko", "Korean", "Gulim");
    expect("ru_UA", "Russian", "BaTang");
    expect("el_CY", "Greek", "Arial");
    expect("da", "Danish", "Arial");

    // Chinese by script, not by the first row of the language.
    for (const char* locale : { "zh_CN.UTF-8", "zh_SG", "zh" })
        expect(locale, "ChineseKanche", "ms song");
    for (const char* locale : { "zh_TW.UTF-8", "zh_HK", "zh_MO" })
        expect(locale, "ChineseBunche", "ms song");

    // English without a row of its own keeps "Times New Roman", not the
    // Hong Kong row's "Gulim"; unshipped languages are English.
    for (const char* locale : { "en_US.UTF-8", "en_GB", "en_AU", "C", "POSIX" })
        expect(locale, "English", "Times New Roman");
    for (const char* locale : { "ja_JP", "nl_NL", "uk_UA", "vi_VN" })
        expect(locale, "English", "Times New Roman");

    // Rows no POSIX locale maps to are still in the table.
    EXPECT_EQ(LanguageForLangId(0x1C04).Name, "ChineseBunche");
    EXPECT_EQ(LanguageForLangId(0x0C14).Name, "Norwegian");
    EXPECT_EQ(LanguageForLangId(0x0C1D).Name, "Sweden");
    EXPECT_EQ(LanguageForLangId(0x7C0A).Name, "Spanish");
    EXPECT_EQ(LanguageForLangId(0x7C01).Name, "UAE");
    EXPECT_EQ(LanguageForLangId(0x1C0C).Name, "French");
    EXPECT_EQ(LanguageForLangId(0x1C07).Name, "German");
    EXPECT_EQ(LanguageForLangId(0x0C10).Name, "Italian");
}

TEST(ShellLanguage, SystemLanguageLoadsItsFileFromTheBaseFolder)
{
    TLocaleEnvironment env("ko_KR.UTF-8", nullptr, nullptr);
    LoadSystemLanguage(SourceDir);
    EXPECT_EQ(LanguageName, "Korean");
    EXPECT_EQ(LanguageFont, "Gulim");
    const QString warning = LanguageTexts["CemaraWarnMsg"];
    EXPECT_TRUE(warning.contains(QRegularExpression("[\\x{AC00}-\\x{D7A3}]"))) << qPrintable(warning);

    // Another current folder without Languages/: every text is empty.
    QTemporaryDir elsewhere;
    LoadSystemLanguage(elsewhere.path());
    EXPECT_EQ(LanguageName, "Korean");
    for (const QString& key : LanguageTextKeys())
        EXPECT_TRUE(LanguageTexts[key].isEmpty()) << qPrintable(key);
}

TEST(ShellLanguage, KoreanInCodePage949ReadsLikeKoreanInUtf8)
{
    const TLanguage korean = LanguageForLangId(0x0412);
    const QByteArray cp949 = ReadAll(SourceDir + "/tests/shell/data/Korean-cp949.ini");
    ASSERT_FALSE(cp949.isEmpty());
    ASSERT_FALSE(IsValidUtf8(cp949)); // the test means something only if the bytes differ from UTF-8

    TLanguageFolder eightBit("Korean", cp949);
    const TLanguageTexts fromCodePage = LoadLanguageTexts(eightBit.Path(), korean);
    const TLanguageTexts fromUtf8 = LoadLanguageTexts(SourceDir, korean);
    for (const QString& key : LanguageTextKeys()) {
        EXPECT_FALSE(fromUtf8[key].isEmpty()) << qPrintable(key);
        EXPECT_EQ(fromCodePage[key], fromUtf8[key]) << qPrintable(key);
    }
}

TEST(ShellLanguage, CodePagesDecodeTheirWholeRange)
{
    // "똠" lies outside EUC-KR, in code page 949's extension.
    EXPECT_EQ(DecodeCodePage("\x8C\x63\xB9\xE6", 949), QString::fromUtf8("똠방"));
    EXPECT_EQ(DecodeCodePage("\xC4\xE3\xBA\xC3", 936), QString::fromUtf8("你好"));
    EXPECT_EQ(DecodeCodePage("\xA7\x41\xA6\x6E", 950), QString::fromUtf8("你好"));
    EXPECT_EQ(DecodeCodePage("\xCA\xE0\xEC\xE5\xF0\xE0", 1251), QString::fromUtf8("Камера"));
    EXPECT_EQ(DecodeCodePage("\xCA\xDC\xEC\xE5\xF1\xE1", 1253), QString::fromUtf8("Κάμερα"));
    EXPECT_EQ(DecodeCodePage("\xEE\xF6\xEC\xEE\xE4", 1255), QString::fromUtf8("מצלמה"));
    EXPECT_EQ(DecodeCodePage("\xDF\xC7\xE3\xED\xD1\xC7", 1256), QString::fromUtf8("كاميرا"));
    EXPECT_EQ(DecodeCodePage("Kamera \xBF\xE6\x9A", 1250), QString::fromUtf8("Kamera żćš"));
    EXPECT_EQ(DecodeCodePage("\xFE\xF0\xFD", 1254), QString::fromUtf8("şğı"));
    EXPECT_EQ(DecodeCodePage("caf\xE9 \x80", 1252), QString::fromUtf8("café €"));
    // A broken double-byte sequence costs one character, not the rest of the text.
    EXPECT_EQ(DecodeCodePage("\xB0 ok", 949), QString::fromUtf8("\xEF\xBF\xBD ok"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));
    EXPECT_TRUE(IsValidUtf8("plain ASCII"));
}

TEST(ShellLanguage, FileIsReadByTheProfileRules)
{
    const TLanguage english = LanguageForLangId(0x0409);
    const QByteArray text = "; comment line\n"
                            "[other]\nCameraLoading=wrong section\n"
                            "  [  ENGLISH  ]  \r\n"
                            "cameraloading = Loading the camera...  \r\n"
                            "CAMERALOADING=second key of the name\n"
                            "CemaraLoaded=\"  quoted  \"\n"
                            "SnapshotStatus='%d photos'\n"
                            "TitleFormat=\"half quoted\n"
                            "VideoStatus=\n"
                            "[English]\nRecoding=second section of the name\n";
    TLanguageFolder folder("English", text);
    const TLanguageTexts texts = LoadLanguageTexts(folder.Path(), english);
    EXPECT_EQ(texts["CameraLoading"], "Loading the camera...");
    EXPECT_EQ(texts["CemaraLoaded"], "  quoted  ");
    EXPECT_EQ(texts["SnapshotStatus"], "%d photos");
    EXPECT_EQ(texts["TitleFormat"], "\"half quoted");
    EXPECT_TRUE(texts.Contains("VideoStatus"));
    EXPECT_EQ(texts["VideoStatus"], "");
    // Only the first section of a name is searched.
    EXPECT_FALSE(texts.Contains("Recoding"));
    EXPECT_EQ(texts["Recoding"], "");
    EXPECT_EQ(texts["NoSuchKey"], "");
}

TEST(ShellLanguage, PlaceholdersAreFilledInOrderInOnePass)
{
    LanguageTexts = TLanguageTexts({ { "UnsavedCountMsg", "Photos: %d, clips: %d." },
        { "ReplaceFileMsg", "Replace %s?" }, { "VideoStatus", "Clips" } });
    EXPECT_EQ(LanguageText("UnsavedCountMsg", 3, qsizetype(12)), "Photos: 3, clips: 12.");
    // A placeholder inside an argument stays text.
    EXPECT_EQ(LanguageText("ReplaceFileMsg", QString("%d %s.wmv")), "Replace %d %s.wmv?");
    EXPECT_EQ(LanguageText("UnsavedCountMsg", QString("%d"), 4), "Photos: %d, clips: 4.");
    // A placeholder without an argument stays; an argument without one goes.
    EXPECT_EQ(LanguageText("UnsavedCountMsg", 3), "Photos: 3, clips: %d.");
    EXPECT_EQ(LanguageText("VideoStatus", 5), "Clips");
    EXPECT_EQ(LanguageText("NoSuchKey", 5), "");
    LanguageTexts = {};
}

TEST(ShellLanguage, ForeignSectionNameGivesEmptyTexts)
{
    TLanguageFolder folder("German", "[Deutsch]\nCameraLoading=Kamera wird geladen\n");
    const TLanguageTexts texts = LoadLanguageTexts(folder.Path(), LanguageForLangId(0x1C07));
    for (const QString& key : LanguageTextKeys())
        EXPECT_FALSE(texts.Contains(key)) << qPrintable(key);
}

TEST(ShellLanguage, LongTextsAreCutAt2047Characters)
{
    const QByteArray longText(3000, 'x');
    const QByteArray longKorean = QString(3000, QChar(0xD55C)).toUtf8();
    const QByteArray nearSurrogate = QByteArray(2046, 'y') + "\xF0\x9F\x93\xB7";
    TLanguageFolder folder("English",
        "[English]\nCameraLoading=" + longText + "\nCemaraLoaded=" + longKorean
            + "\nRecoding=" + nearSurrogate + "\nFullScreen=" + QByteArray(2047, 'z') + "\n");
    const TLanguageTexts texts = LoadLanguageTexts(folder.Path(), LanguageForLangId(0x0409));
    EXPECT_EQ(texts["CameraLoading"], QString(2047, 'x'));
    EXPECT_EQ(texts["CemaraLoaded"], QString(2047, QChar(0xD55C)));
    EXPECT_EQ(texts["Recoding"], QString(2046, 'y')); // never half a character
    EXPECT_EQ(texts["FullScreen"], QString(2047, 'z'));
}

TEST(ShellLanguage, NulBytesAndTenThousandCharacterLinesSpoilNoOtherText)
{
    // '@' stands for a NUL byte.
    TLanguageFolder folder("English",
        QByteArray("[English]\nCameraLoading=" + QByteArray(10000, 'x') + "\nCemaraLoaded=ready@and more\n"
            + QByteArray(10000, 'k') + "=orphan\nRecoding=Recording...\n@@\nFullScreen=Full screen\n")
            .replace('@', '\0'));
    const TLanguageTexts texts = LoadLanguageTexts(folder.Path(), LanguageForLangId(0x0409));
    EXPECT_EQ(texts["CameraLoading"], QString(2047, 'x'));
    EXPECT_FALSE(texts["CemaraLoaded"].contains(QChar(0)));
    EXPECT_TRUE(texts["CemaraLoaded"].startsWith("ready"));
    EXPECT_EQ(texts["Recoding"], "Recording...");
    EXPECT_EQ(texts["FullScreen"], "Full screen");
}

// What stands at the file's name must be a regular file of sane size: a
// FIFO would block the start for ever, a link to /dev/zero be read until
// the memory ends. Either gives no texts, at once.
TEST(ShellLanguage, OnlyARegularFileOfSaneSizeIsRead)
{
    TLanguageFolder folder("English", "");
    const QString path = folder.Path() + "/Languages/English.ini";
    const auto load = [&] {
        QElapsedTimer timer;
        timer.start();
        const TLanguageTexts texts = LoadLanguageTexts(folder.Path(), LanguageForLangId(0x0409));
        EXPECT_LT(timer.elapsed(), 5000); // a blocked read would never return
        return texts;
    };
    QFile::remove(path);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    EXPECT_FALSE(load().Contains("CameraLoading")) << "a FIFO";
    QFile::remove(path);
    ASSERT_TRUE(QFile::link("/dev/zero", path));
    EXPECT_FALSE(load().Contains("CameraLoading")) << "a link to /dev/zero";
    QFile::remove(path);
    {
        QFile big(path);
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        big.write("[English]\nCameraLoading=Loading\n");
        ASSERT_TRUE(big.resize(MaxLanguageFileSize + 1)); // a sparse tail
    }
    EXPECT_FALSE(load().Contains("CameraLoading")) << "a file over the size";
    QFile::resize(path, MaxLanguageFileSize);
    EXPECT_EQ(load()["CameraLoading"], "Loading") << "a file of the size";
}

TEST(ShellLanguage, EveryShippedFileHasEveryText)
{
    // The code fills the placeholders in order, so every translation has
    // exactly the English ones, in the same order.
    const QHash<QString, QString> placeholders { { "SnapshotStatus", "%d" }, { "VideoStatus", "%d" },
        { "UnsavedMsg", "%d%d" }, { "PhotoItemName", "%d%d" }, { "VideoItemName", "%d%d" },
        { "UnsavedCountMsg", "%d%d" }, { "SaveAllFailedMsg", "%s" }, { "FrameMapsMsg", "%s" },
        { "RecoveredMsg", "%s" }, { "NotRecoveredMsg", "%s" }, { "RunFolderMsg", "%s" },
        { "ReplaceFileMsg", "%s" }, { "CopyingMsg", "%s" }, { "SameFileMsg", "%s" },
        { "ReadFailedMsg", "%s" }, { "CreateFailedMsg", "%s" }, { "WriteFailedMsg", "%s" },
        { "SessionSavedMsg", "%s" }, { "EncoderMissingHint", "%s" }, { "CountdownStatus", "%d" },
        { "KeyHint", "%s%s" } };
    const QRegularExpression placeholder("%[^%]");
    for (const QString& name : ShippedLanguages) {
        SCOPED_TRACE(qPrintable(name));
        const QByteArray bytes = ReadAll(SourceDir + "/Languages/" + name + ".ini");
        ASSERT_FALSE(bytes.isEmpty());
        EXPECT_TRUE(IsValidUtf8(bytes));
        const int codePage = CodePageOf(name);
        ASSERT_NE(codePage, 0);
        EXPECT_TRUE(FitsCodePage(bytes, codePage)) << "code page " << codePage;
        EXPECT_EQ(ReadAll(RunDir + "/Languages/" + name + ".ini"), bytes) << "run folder copy";

        TLanguage language { name, QString(), 1252 };
        const TLanguageTexts texts = LoadLanguageTexts(SourceDir, language);
        for (const QString& key : LanguageTextKeys()) {
            const QString text = texts[key];
            EXPECT_FALSE(text.trimmed().isEmpty()) << qPrintable(key);
            QString found;
            for (const auto& match : placeholder.globalMatch(text))
                found += match.captured();
            EXPECT_EQ(found, placeholders.value(key)) << qPrintable(key + ": " + text);
        }
    }
    EXPECT_EQ(QDir(SourceDir + "/Languages").entryList({ "*.ini" }).size(), ShippedLanguages.size());
}
