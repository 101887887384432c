// SPDX-License-Identifier: GPL-2.0-or-later
#include "ElfFiles.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace {

QString DynamicSection(const QString& file)
{
    QProcess readelf;
    readelf.start(QStringLiteral("readelf"), { QStringLiteral("-d"), QStringLiteral("-W"), file });
    if (!readelf.waitForFinished(30000) || readelf.exitCode() != 0)
        return {};
    return QString::fromUtf8(readelf.readAllStandardOutput());
}

QStringList Bracketed(const QString& section, const QString& tagPattern)
{
    QStringList values;
    const QRegularExpression line(QStringLiteral("\\((%1)\\)[^\\[]*\\[([^\\]]*)\\]").arg(tagPattern));
    for (auto it = line.globalMatch(section); it.hasNext();)
        values << it.next().captured(2);
    return values;
}

} // namespace

QStringList ElfFilesUnder(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (f.open(QIODevice::ReadOnly) && f.read(4) == QByteArrayLiteral("\x7f\x45\x4c\x46")) // "\177ELF"
            files << path;
    }
    files.sort();
    return files;
}

QStringList RunPathEntries(const QString& file)
{
    QStringList entries;
    for (const QString& value : Bracketed(DynamicSection(file), QStringLiteral("RUNPATH|RPATH")))
        entries << value.split(u':');
    return entries;
}

QStringList NeededLibraries(const QString& file)
{
    return Bracketed(DynamicSection(file), QStringLiteral("NEEDED"));
}

QStringList EntriesNotBesideTheFile(const QStringList& entries)
{
    QStringList outside;
    for (const QString& entry : entries)
        if (!entry.startsWith(QLatin1String("$ORIGIN")) && !entry.startsWith(QLatin1String("${ORIGIN}")))
            outside << (entry.isEmpty() ? QStringLiteral("(empty: the current folder)") : entry);
    return outside;
}
