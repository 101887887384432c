// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/LanguageTexts.h"

#include "core/CodePage.h"
#include "core/CoreLogging.h"
#include "core/PlainFile.h"
#include "core/ProfileReader.h"

#include <QFile>
#include <QRegularExpression>

#include <array>

QString LanguageName;
QString LanguageFont;
TLanguageTexts LanguageTexts;

namespace {

struct TLanguageRow {
    TLangId LangId;
    TLanguage Language;
};

const std::array<TLanguageRow, 22>& LanguageTable()
{
    static const std::array<TLanguageRow, 22> table { {
        { 0x0412, { "Korean", "Gulim", 949 } },
        { 0x3C09, { "English", "Gulim", 1252 } },
        { 0x0804, { "ChineseKanche", "ms song", 936 } },
        { 0x1C04, { "ChineseBunche", "ms song", 950 } },
        { 0x0408, { "Greek", "Arial", 1253 } },
        { 0x0C14, { "Norwegian", "Times New Roman", 1252 } },
        { 0x0406, { "Danish", "Arial", 1252 } },
        { 0x0419, { "Russian", "BaTang", 1251 } },
        { 0x0416, { "Brazil", "Arial", 1252 } },
        { 0x0C1D, { "Sweden", "Times New Roman", 1252 } },
        { 0x7C0A, { "Spanish", "Times New Roman", 1252 } },
        { 0x7C01, { "UAE", "Times New Roman", 1256 } },
        { 0x0405, { "Czech", "Times New Roman", 1250 } },
        { 0x041F, { "Turkish", "Times New Roman", 1254 } },
        { 0x0816, { "Portuguese", "Arial", 1252 } },
        { 0x1C0C, { "French", "Times New Roman", 1252 } },
        { 0x040B, { "Finnish", "Times New Roman", 1252 } },
        { 0x040E, { "Hungarian", "Times New Roman", 1250 } },
        { 0x040D, { "Hebrew", "Times New Roman", 1255 } },
        { 0x1C07, { "German", "Times New Roman", 1252 } },
        { 0x0C10, { "Italian", "Times New Roman", 1252 } },
        { 0x0415, { "Polish", "Times New Roman", 1250 } },
    } };
    return table;
}

constexpr TLangId LangChinese = 0x04;
constexpr TLangId LangEnglish = 0x09;
constexpr TLangId ChineseSimplifiedRow = 0x0804;
constexpr TLangId ChineseTraditionalRow = 0x1C04;

// The low ten bits name the language, the high six its country or script.
constexpr TLangId PrimaryLanguage(TLangId langId) { return langId & 0x03FF; }

// Taiwan, Hong Kong, Macao and the neutral traditional script write Chinese
// in traditional characters; China and Singapore in simplified ones.
bool IsTraditionalChinese(TLangId langId)
{
    return langId == 0x0404 || langId == 0x0C04 || langId == 0x1404 || langId == 0x7C04;
}

// Cuts after `length` UTF-16 units without splitting a surrogate pair.
QString Cut(const QString& text, qsizetype length)
{
    if (text.size() <= length)
        return text;
    if (text[length - 1].isHighSurrogate())
        --length;
    return text.left(length);
}

QString DecodeLanguageFile(const QByteArray& bytes, int codePage)
{
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    return DecodeCodePage(bytes, codePage);
}

} // namespace

TLanguage LanguageForLangId(TLangId langId)
{
    for (const auto& row : LanguageTable())
        if (row.LangId == langId)
            return row.Language;
    // No row for this country: the language's own file still serves, so a
    // German in Germany reads German rather than English.
    const TLangId primary = PrimaryLanguage(langId);
    if (primary == LangChinese)
        return LanguageForLangId(IsTraditionalChinese(langId) ? ChineseTraditionalRow : ChineseSimplifiedRow);
    if (primary != LangEnglish)
        for (const auto& row : LanguageTable())
            if (PrimaryLanguage(row.LangId) == primary)
                return row.Language;
    return { "English", "Times New Roman", 1252 };
}

const QStringList& LanguageTextKeys()
{
    static const QStringList keys {
        "CameraLoading",
        "CemaraNoLoaded",
        "CemaraLoaded",
        "SnapshotStatus",
        "VideoStatus",
        "Recoding",
        "WarningMsg",
        "InfomationMsg",
        "CemaraWarnMsg",
        "BitmapWarnMsg",
        "ImageListMsg",
        "VideoListMsg",
        "SnapShotHint",
        "RecordHint",
        "ImageWindowHint",
        "VideoWindowHint",
        "HideWindowHint",
        "CloseWindowHint",
        "ControlHint",
        "FormatHint",
        "SaveVideoHint",
        "StartVideoHint",
        "DeleteVideoHint",
        "SaveImageHint",
        "ViewImageHint",
        "DeleteImageHint",
        "TitleFormat",
        "VideoDevice",
        "AudioDevice",
        "VideoFileFormat",
        "VideoFormat",
        "FullScreen",
        // Added since: the camera's and the recording's troubles, the working
        // folder, the close question, playback, the camera settings dialog.
        "CameraBusyMsg",
        "CameraLostMsg",
        "RecordFailedMsg",
        "TempFolderMsg",
        "UnsavedMsg",
        "NoPlayerMsg",
        "BrightnessLabel",
        "ContrastLabel",
        "HueLabel",
        "SaturationLabel",
        "DefaultsButton",
        "NoSettingsMsg",
        // Added since: accessible names of the strips' items, the display's
        // trouble, the close question's answers, the frame maps, recovered
        // clips, snapshots that cannot be written, the run folder.
        "PhotoItemName",
        "VideoItemName",
        "DisplayFailedMsg",
        "UnsavedCountMsg",
        "SaveAllButton",
        "DiscardButton",
        "CancelButton",
        "SaveAllFailedMsg",
        "FrameMapsMsg",
        "RecoveredMsg",
        "NotRecoveredMsg",
        "SnapshotFailedMsg",
        "RunFolderMsg",
        // The strips' scroll controls, named for screen readers.
        "ScrollLeftHint",
        "ScrollRightHint",
        "ScrollThumbHint",
        // The galleries' copies: the replace question, the progress and
        // what stops a copy.
        "ReplaceFileMsg",
        "CopyingMsg",
        "SameFileMsg",
        "ReadFailedMsg",
        "CreateFailedMsg",
        "WriteFailedMsg",
        // No X display to show the windows on.
        "NoXDisplayMsg",
        // What a session end saved; why a shutdown waits for it.
        "SessionSavedMsg",
        "UnsavedInhibitMsg",
        // A recording the camera sent no picture for.
        "NoPictureMsg",
        // The MP4 and WebM recordings: the save dialog's filters, and the
        // hint of a type whose encoder is not installed.
        "Mp4FileFilter",
        "WebmFileFilter",
        "EncoderMissingHint",
        // The main menu's picture items: the mirror, the self-timer with its
        // countdown on the status line, the snapshot's flash.
        "MirrorItem",
        "SelfTimerMenu",
        "SelfTimerOff",
        "SelfTimer3",
        "SelfTimer10",
        "FlashItem",
        "CountdownStatus",
        // What screen readers call the windows and their lists and picture.
        "PanelWindowName",
        "PhotoGalleryWindowName",
        "VideoGalleryWindowName",
        "LiveViewWindowName",
        "FullScreenWindowName",
        "ViewerWindowName",
        "PhotoListName",
        "VideoListName",
        "ViewerPictureName",
        // No paint program for the viewer's Edit.
        "NoPaintProgramMsg",
        // The save dialogs' file types.
        "JpegFileFilter",
        "WmvFileFilter",
        "AviFileFilter",
        // A button's tooltip with its key.
        "KeyHint",
        // A recording whose file cannot be created.
        "RecordStartFailedMsg",
    };
    return keys;
}

TLanguageTexts::TLanguageTexts(QHash<QString, QString> texts)
    : FTexts(std::move(texts))
{
}

QString FillPlaceholders(const QString& text, const QStringList& arguments)
{
    static const QRegularExpression placeholder(QStringLiteral("%[sd]"));
    QString filled;
    qsizetype from = 0;
    auto argument = arguments.begin();
    for (auto matches = placeholder.globalMatch(text); matches.hasNext() && argument != arguments.end();) {
        const QRegularExpressionMatch match = matches.next();
        filled.append(QStringView(text).sliced(from, match.capturedStart() - from)).append(*argument++);
        from = match.capturedEnd();
    }
    return filled.append(QStringView(text).sliced(from));
}

TLanguageTexts LoadLanguageTexts(const QString& baseFolder, const TLanguage& language)
{
    const QString path = baseFolder + QStringLiteral("/Languages/") + language.Name + QStringLiteral(".ini");
    bool missing = false;
    QString why;
    const auto bytes = ReadPlainFile(path, MaxLanguageFileSize, missing, &why);
    if (!bytes) {
        qCDebug(lcLanguage, "%s %s", qPrintable(path), qPrintable(why));
        return {};
    }
    const TProfileReader reader(DecodeLanguageFile(*bytes, language.CodePage));
    QHash<QString, QString> texts;
    for (const QString& key : LanguageTextKeys())
        if (const auto text = reader.Find(language.Name, key)) {
            // A text ends at a NUL byte, as a C string (and the profile
            // functions' result) does; nothing after it reaches the screen.
            const qsizetype nul = text->indexOf(QChar(0));
            texts.insert(key, Cut(nul < 0 ? *text : text->left(nul), MaxLanguageTextLength));
        }
    qCDebug(lcLanguage, "%s: %lld of %lld texts", qPrintable(path), qlonglong(texts.size()),
        qlonglong(LanguageTextKeys().size()));
    return TLanguageTexts(std::move(texts));
}

void LoadSystemLanguage(const QString& baseFolder)
{
    const TLangId langId = SystemDefaultLangId();
    const TLanguage language = LanguageForLangId(langId);
    qCDebug(lcLanguage, "language id 0x%04x: %s, font %s, code page %d", unsigned(langId),
        qPrintable(language.Name), qPrintable(language.Font), language.CodePage);
    LanguageName = language.Name;
    LanguageFont = language.Font;
    LanguageTexts = LoadLanguageTexts(baseFolder, language);
}
