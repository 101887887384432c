// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/SettingsStore.h"

#include "core/CoreLogging.h"
#include "core/PlainFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TSettingsStore* SettingsStore = nullptr;

namespace {

bool IsValidSection(const QString& section)
{
    // A line break would end the key's header line in the file.
    return !section.contains(u'\n') && !section.contains(u'\r');
}

// Renames `path` to the first free "path.bad", "path.bad.1", ... without
// ever replacing an existing file. Empty when nothing could be renamed.
QString MoveAside(const QString& path)
{
    const QByteArray from = QFile::encodeName(path);
    for (int number = 0; number < 1000; ++number) {
        const QString candidate
            = path + QStringLiteral(".bad") + (number ? QStringLiteral(".%1").arg(number) : QString());
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, QFile::encodeName(candidate).constData(),
                RENAME_NOREPLACE)
            == 0)
            return candidate;
        if (errno != EEXIST)
            return {};
    }
    return {};
}

// The temporary files of a rewrite ("settings.reg.XXXXXX", six letters or
// digits) that a run killed between writing and renaming left.
// One younger than a day may be another copy's rewrite under way.
void RemoveOrphanTemporaries(const QString& path)
{
    const QFileInfo target(path);
    const QDir folder = target.absoluteDir();
    const QString prefix = target.fileName() + u'.';
    const QDateTime dayAgo = QDateTime::currentDateTime().addDays(-1);
    const auto found = folder.entryInfoList(
        { prefix + QStringLiteral("??????") }, QDir::Files | QDir::NoSymLinks | QDir::Hidden | QDir::System);
    for (const QFileInfo& file : found) {
        const QString tail = file.fileName().mid(prefix.size());
        const bool madeByARewrite = std::all_of(
            tail.begin(), tail.end(), [](QChar c) { return c.isLetterOrNumber() && c.unicode() < 128; });
        if (madeByARewrite && file.ownerId() == ::getuid() && file.lastModified() < dayAgo) {
            qCInfo(lcSettings, "removing %s, left by an interrupted rewrite", qPrintable(file.filePath()));
            QFile::remove(file.filePath());
        }
    }
}

// Replaces the file whole: readers see the old or the new settings, never a
// mixture, even across a crash (QSaveFile syncs the data before its rename;
// the folder is synced here so the rename itself lasts). The settings may
// hold a password, so the file is the user's alone.
bool ReplaceFile(const QString& path, const QByteArray& contents, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)
        || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || file.write(contents) != contents.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    const int folder = ::open(
        QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

} // namespace

TSettingsStore::TSettingsStore(const QString& filePath)
    : FFilePath(filePath)
    , FWritePath(filePath)
{
    QDir().mkpath(QFileInfo(FFilePath).absolutePath());
    Load();
    RemoveOrphanTemporaries(FWritePath);
}

QString TSettingsStore::DefaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Tessaly/settings.reg");
}

const TRegValue* TSettingsStore::Find(const QString& section, const QString& key) const
{
    const TRegSection* found = FDocument.FindSection(section);
    return found ? found->FindValue(key) : nullptr;
}

int TSettingsStore::ReadInteger(const QString& section, const QString& key, int def) const
{
    const TRegValue* value = Find(section, key);
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
    TRegSection& target = FDocument.SectionFor(section);
    if (TRegValue* existing = target.FindValue(key); existing && !existing->IsNumber) {
        existing->Text = QString::number(value);
    } else {
        TRegValue& stored = target.ValueFor(key);
        stored.IsNumber = true;
        stored.Number = static_cast<std::uint32_t>(value);
    }
    Changed();
}

bool TSettingsStore::ReadBool(const QString& section, const QString& key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TSettingsStore::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QString TSettingsStore::ReadString(const QString& section, const QString& key, const QString& def) const
{
    const TRegValue* value = Find(section, key);
    if (!value)
        return def;
    // A number asked for as text reads as its decimal text rather than failing.
    return value->IsNumber ? QString::number(static_cast<int>(value->Number)) : value->Text;
}

void TSettingsStore::WriteString(const QString& section, const QString& key, const QString& value)
{
    if (!IsValidSection(section))
        return;
    TRegValue& stored = FDocument.SectionFor(section).ValueFor(key);
    stored.IsNumber = false;
    stored.Number = 0;
    stored.Text = value;
    Changed();
}

QStringList TSettingsStore::ValueNames(const QString& section) const
{
    QStringList names;
    if (const TRegSection* found = FDocument.FindSection(section))
        for (const TRegValue& value : found->Values)
            names.append(value.Name);
    return names;
}

void TSettingsStore::RemoveValue(const QString& section, const QString& key)
{
    TRegSection* found = FDocument.FindSection(section);
    if (found && found->RemoveValue(key))
        Changed();
}

void TSettingsStore::EndBatch()
{
    if (FBatchDepth > 0 && --FBatchDepth == 0 && FDirty)
        Save();
}

void TSettingsStore::Load()
{
    // A link is written through to its target, so the link stays a link.
    const QFileInfo info(FFilePath);
    if (info.isSymLink())
        FWritePath = info.exists() ? info.canonicalFilePath() : info.symLinkTarget();

    bool missing = false;
    QString why;
    const auto bytes = ReadPlainFile(FFilePath, MaxFileSize, missing, &why);
    if (!bytes) {
        if (missing) {
            qCDebug(lcSettings, "no settings file %s yet; starting empty", qPrintable(FFilePath));
            Save(); // first run (or a link to a file yet to be made): an empty store
        } else {
            SetAside(why);
        }
        return;
    }
    auto document = ParseRegText(*bytes, &why);
    if (!document) {
        SetAside(why);
        return;
    }
    FDocument = std::move(*document);
    qCDebug(lcSettings, "read %s", qPrintable(FFilePath));
}

void TSettingsStore::Changed()
{
    FDirty = true;
    if (FBatchDepth == 0)
        Save();
}

void TSettingsStore::Save()
{
    FDirty = false;
    if (!FWritable)
        return;
    QString error;
    if (ReplaceFile(FWritePath, FormatRegText(FDocument), &error))
        qCDebug(lcSettings, "wrote %s", qPrintable(FWritePath));
    else
        qCWarning(lcSettings, "could not write the settings file %s: %s", qPrintable(FWritePath),
            qPrintable(error));
}

void TSettingsStore::SetAside(const QString& why)
{
    const QString badPath = MoveAside(FFilePath);
    // Written from now on is a fresh file in the link's place, never the
    // damaged one; when it could not be moved, nothing is written at all.
    FWritable = !badPath.isEmpty();
    FWritePath = FFilePath;
    qCWarning(lcSettings, "the settings file %s is damaged (%s); using defaults%s", qPrintable(FFilePath),
        qPrintable(why),
        FWritable ? qPrintable(QStringLiteral(", the damaged file is kept as ") + badPath)
                  : ", and as it could not be moved aside it is left untouched");
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
