// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QStandardPaths>
#include <QStringList>

namespace {

// Undoes the escapes of a string value: \s \n \t \r \\. Any other backslash
// stays, so that the Exec line's own quoting (\" \$ \`) reaches its parser.
QString UnescapeValue(const QString& raw)
{
    QString value;
    value.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw.at(i) != u'\\' || i + 1 == raw.size()) {
            value += raw.at(i);
            continue;
        }
        const QChar next = raw.at(++i);
        if (next == u's')
            value += u' ';
        else if (next == u'n')
            value += u'\n';
        else if (next == u't')
            value += u'\t';
        else if (next == u'r')
            value += u'\r';
        else if (next == u'\\')
            value += u'\\';
        else
            value += QStringView(raw).sliced(i - 1, 2);
    }
    return value;
}

// The keys of the [Desktop Entry] group, values unescaped.
QHash<QString, QString> ReadMainGroup(const QString& filePath)
{
    QHash<QString, QString> keys;
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            // Only the first group describes the program; actions follow it.
            if (inMainGroup)
                break;
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inMainGroup || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (!keys.contains(key))
            keys.insert(key, UnescapeValue(line.mid(equals + 1).trimmed()));
    }
    return keys;
}

// A localestring in the user's language: Name[de_DE], then Name[de], then Name.
QString Localized(const QHash<QString, QString>& keys, const QString& key)
{
    const QString locale = QLocale::system().name();
    const QString language = locale.section(u'_', 0, 0);
    for (const QString& variant : { key + u'[' + locale + u']', key + u'[' + language + u']' })
        if (keys.contains(variant))
            return keys.value(variant);
    return keys.value(key);
}

bool IsInstalled(const QString& program)
{
    if (QDir::isAbsolutePath(program)) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable();
    }
    return !QStandardPaths::findExecutable(program).isEmpty();
}

// A desktop id's dashes may stand for subfolders: "kde-foo.desktop" is
// kde/foo.desktop. Each dash is tried as a folder where that folder exists.
QString LocateId(const QString& folder, const QString& rest)
{
    const QString direct = folder + u'/' + rest;
    if (QFileInfo(direct).isFile())
        return direct;
    for (qsizetype dash = rest.indexOf(u'-'); dash > 0; dash = rest.indexOf(u'-', dash + 1)) {
        const QString subfolder = folder + u'/' + rest.left(dash);
        if (QFileInfo(subfolder).isDir())
            if (QString found = LocateId(subfolder, rest.mid(dash + 1)); !found.isEmpty())
                return found;
    }
    return {};
}

} // namespace

std::optional<TDesktopEntry> ReadDesktopEntry(const QString& filePath)
{
    const QHash<QString, QString> keys = ReadMainGroup(filePath);
    if (keys.value(QStringLiteral("Type")) != QLatin1String("Application")
        || keys.value(QStringLiteral("Hidden")) == QLatin1String("true")
        || keys.value(QStringLiteral("Exec")).isEmpty())
        return std::nullopt;
    if (const QString tryExec = keys.value(QStringLiteral("TryExec"));
        !tryExec.isEmpty() && !IsInstalled(tryExec))
        return std::nullopt;
    TDesktopEntry entry;
    entry.FilePath = QFileInfo(filePath).absoluteFilePath();
    entry.Name = Localized(keys, QStringLiteral("Name"));
    entry.Icon = Localized(keys, QStringLiteral("Icon"));
    entry.Exec = keys.value(QStringLiteral("Exec"));
    entry.WorkingFolder = keys.value(QStringLiteral("Path"));
    entry.Terminal = keys.value(QStringLiteral("Terminal")) == QLatin1String("true");
    return entry;
}

std::optional<TDesktopEntry> FindDesktopEntry(const QString& desktopId)
{
    if (desktopId.isEmpty() || desktopId.contains(u'/') || !desktopId.endsWith(QLatin1String(".desktop")))
        return std::nullopt;
    // The first file with the id decides, even where it hides the entry:
    // that is how a user takes a system entry away.
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation))
        if (const QString file = LocateId(folder, desktopId); !file.isEmpty())
            return ReadDesktopEntry(file);
    return std::nullopt;
}
