// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/MediaStore.h"
#include "camera/CamControllerUnit.h"
#include "core/OwnTempFolder.h"
#include "core/WorkingFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <charconv>
#include <langinfo.h>
#include <locale.h>

namespace {

QString& StoredBaseFolder()
{
    static QString folder;
    return folder;
}

} // namespace

QString BaseFolder()
{
    if (StoredBaseFolder().isEmpty())
        CaptureBaseFolder();
    return StoredBaseFolder();
}

void CaptureBaseFolder() { StoredBaseFolder() = WorkingFolderPath(); }

void SetBaseFolder(const QString& folder) { StoredBaseFolder() = folder; }

QString TempFolder() { return OwnTempFolder(BaseFolder()); }

QString PathJoin(const QString& first, const QString& second)
{
    if (second.isNull())
        return first;
    if (first.isEmpty())
        return second;
    const bool firstEnds = first.endsWith(u'/');
    const bool secondBegins = second.startsWith(u'/');
    if (firstEnds && secondBegins)
        return first.chopped(1) + second;
    if (firstEnds || secondBegins)
        return first + second;
    return first + u'/' + second;
}

QChar LocaleDecimalSeparator()
{
    // The user's setting, read from the environment: the process's own
    // LC_NUMERIC may have been pinned to "C" for number parsing.
    locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (!user)
        return u'.';
    const char* radix = nl_langinfo_l(RADIXCHAR, user);
    const QString text = QString::fromLocal8Bit(radix ? radix : ".");
    freelocale(user);
    return text.isEmpty() ? QChar(u'.') : text.at(0);
}

QString FormatClipTime(double dayFraction, QChar decimalSeparator)
{
    // to_chars gives the digits whatever the process locale; the separator
    // and the three-digit exponent are the name's own.
    char digits[64];
    const auto result
        = std::to_chars(digits, digits + sizeof digits, dayFraction, std::chars_format::scientific, 14);
    const QString text = QString::fromLatin1(digits, result.ptr - digits);
    const qsizetype e = text.indexOf(u'e');
    if (e < 2)
        return text;
    const QString mantissa = text.left(1) + decimalSeparator + text.mid(2, e - 2);
    const QChar sign = text.at(e + 1);
    const QString exponent = text.mid(e + 2).rightJustified(3, u'0');
    return mantissa + u'E' + sign + exponent;
}

double DayFraction(const QTime& time) { return time.msecsSinceStartOfDay() / 86400000.0; }

QString ClipExtension(int videoType)
{
    switch (videoType) {
    case TCamController::VideoTypeAvi:
        return QStringLiteral("avi");
    case TCamController::VideoTypeMp4:
        return QStringLiteral("mp4");
    case TCamController::VideoTypeWebM:
        return QStringLiteral("webm");
    default:
        return QStringLiteral("wmv");
    }
}

QString ClipExtensionOf(const QString& clipFile)
{
    const QString suffix = QFileInfo(clipFile).suffix().toLower();
    for (const int32_t type :
        { TCamController::VideoTypeAvi, TCamController::VideoTypeMp4, TCamController::VideoTypeWebM })
        if (suffix == ClipExtension(type))
            return suffix;
    return ClipExtension(TCamController::VideoTypeAsf);
}

QString ClipFileName(const QString& baseFolder, int videoType, const QTime& time, QChar decimalSeparator)
{
    return PathJoin(OwnTempFolder(baseFolder), QStringLiteral("GLV_temp_"))
        + FormatClipTime(DayFraction(time), decimalSeparator) + u'.' + ClipExtension(videoType);
}

QString PhotoAttachmentName(const QString& baseFolder)
{
    if (baseFolder.endsWith(u'/'))
        return baseFolder + QStringLiteral("Temp/glacam.jpg");
    return baseFolder + QStringLiteral("/Temp/glcam.jpg");
}

QString ClipAttachmentName(const QString& baseFolder, const QString& extension)
{
    return PathJoin(baseFolder, QStringLiteral("/Temp/glcam.")) + extension;
}

QString ViewerExportName(const QString& personalFolder)
{
    if (personalFolder.endsWith(u'/'))
        return personalFolder + QStringLiteral("snapshot.bmp");
    return personalFolder + QStringLiteral("/snapshot.bmp");
}

QString ProgramFolder()
{
    QString folder = QCoreApplication::applicationDirPath();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

QString ConverterProgram()
{
    const QString name = QStringLiteral("uncompAvitoWMV2");
    QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty())
        program = QStandardPaths::findExecutable(name, { ProgramFolder() });
    return program.isEmpty() ? name : program;
}

QString PersonalFolder()
{
    // Without a documents folder the export goes to the home folder rather
    // than to the root of the file system.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}
