// SPDX-License-Identifier: GPL-2.0-or-later
#include "SettingsStore.h"

#include "AtomicFile.h"
#include "RegFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>

TSettingsStore* SettingsStore = nullptr;

namespace {

bool IsValidSection(const QString& section)
{
    // A line break would end the key's header line in the file.
    return !section.contains(u'\n') && !section.contains(u'\r');
}

} // namespace

TSettingsStore::TSettingsStore(const QString& filePath)
    : FFilePath(filePath)
{
    QDir().mkpath(QFileInfo(FFilePath).absolutePath());
    if (!QFileInfo::exists(FFilePath))
        Save(TRegDocument {});
}

QString TSettingsStore::DefaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Tessaly/settings.reg");
}

int TSettingsStore::ReadInteger(const QString& section, const QString& key, int def)
{
    TRegDocument document = Load();
    TRegSection* found = document.FindSection(section);
    const TRegValue* value = found ? found->FindValue(key) : nullptr;
    if (!value)
        return def;
    if (value->IsNumber)
        return static_cast<int>(value->Number);
    bool ok = false;
    const int number = value->Text.toInt(&ok, 10);
    return ok ? number : def;
}

void TSettingsStore::WriteInteger(const QString& section, const QString& key, int value)
{
    if (!IsValidSection(section))
        return;
    TRegDocument document = Load();
    TRegSection& target = document.SectionFor(section);
    if (TRegValue* existing = target.FindValue(key); existing && !existing->IsNumber) {
        existing->Text = QString::number(value);
    } else {
        TRegValue& stored = target.ValueFor(key);
        stored.IsNumber = true;
        stored.Number = static_cast<std::uint32_t>(value);
    }
    Save(document);
}

bool TSettingsStore::ReadBool(const QString& section, const QString& key, bool def)
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TSettingsStore::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QString TSettingsStore::ReadString(const QString& section, const QString& key, const QString& def)
{
    TRegDocument document = Load();
    TRegSection* found = document.FindSection(section);
    const TRegValue* value = found ? found->FindValue(key) : nullptr;
    if (!value)
        return def;
    // A number asked for as text reads as its decimal text rather than failing.
    return value->IsNumber ? QString::number(static_cast<int>(value->Number)) : value->Text;
}

void TSettingsStore::WriteString(const QString& section, const QString& key, const QString& value)
{
    if (!IsValidSection(section))
        return;
    TRegDocument document = Load();
    TRegValue& stored = document.SectionFor(section).ValueFor(key);
    stored.IsNumber = false;
    stored.Number = 0;
    stored.Text = value;
    Save(document);
}

TRegDocument TSettingsStore::Load()
{
    QFile file(FFilePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString why;
    auto document = ParseRegText(file.readAll(), &why);
    if (document)
        return std::move(*document);
    file.close();
    SetAside(why);
    return {};
}

void TSettingsStore::Save(const TRegDocument& document)
{
    QString error;
    if (!WriteFileAtomically(FFilePath, FormatRegText(document), &error))
        std::fprintf(stderr, "glimview: could not write the settings file %s: %s\n", qPrintable(FFilePath),
            qPrintable(error));
}

void TSettingsStore::SetAside(const QString& why)
{
    const QString badPath = FFilePath + QStringLiteral(".bad");
    QFile::remove(badPath);
    const bool kept = QFile::rename(FFilePath, badPath);
    std::fprintf(stderr, "glimview: the settings file %s is damaged (%s); using defaults%s\n",
        qPrintable(FFilePath), qPrintable(why),
        kept ? qPrintable(QStringLiteral(", the damaged file is kept as ") + badPath)
             : ", and it could not be moved aside");
}

void OpenSettingsStore()
{
    if (!SettingsStore)
        SettingsStore = new TSettingsStore();
}

void CloseSettingsStore()
{
    delete SettingsStore;
    SettingsStore = nullptr;
}
