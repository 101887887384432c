// SPDX-License-Identifier: GPL-2.0-or-later
// The per-user settings store: sections of named values, each value a 32-bit
// integer or a string, kept in $XDG_CONFIG_HOME/Tessaly/settings.reg.
//
// The file is read and parsed once, when the store opens; reads are served
// from that copy. Every write rewrites the file at once, atomically, so
// another reader never sees half a file and a crash never leaves one; the
// writes of one operation inside a TSettingsBatch land as one rewrite. A
// settings file reached through a symbolic link is written through to the
// link's target.
//
// A file that cannot be trusted (damaged text, unreadable, not a regular
// file, larger than MaxFileSize) reads as empty (every read gives its
// default), is moved aside as "settings.reg.bad" (".bad.1", ".bad.2", ...
// when those exist; an older one is never replaced) with one warning, and
// the next write starts a fresh file. When it cannot be moved aside, it is
// never written over: the run keeps its settings in memory only.
#pragma once

#include "core/RegFile.h"

#include <QString>
#include <QStringList>

class TSettingsStore {
public:
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

    // Creates the folder and an empty store file when they are missing.
    explicit TSettingsStore(const QString& filePath = DefaultFilePath());

    static QString DefaultFilePath();
    QString FilePath() const { return FFilePath; }

    // A string value is read as decimal text; one that is not a number gives
    // the default.
    int ReadInteger(const QString& section, const QString& key, int def) const;
    // An existing string value keeps its type and receives the decimal text.
    void WriteInteger(const QString& section, const QString& key, int value);
    bool ReadBool(const QString& section, const QString& key, bool def) const;
    void WriteBool(const QString& section, const QString& key, bool value);
    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    void WriteString(const QString& section, const QString& key, const QString& value);

    // The names of a section's values, in the file's order.
    QStringList ValueNames(const QString& section) const;
    void RemoveValue(const QString& section, const QString& key);

    // Writes between BeginBatch and the matching EndBatch are saved once, at
    // the outermost EndBatch. TSettingsBatch pairs them.
    void BeginBatch() { ++FBatchDepth; }
    void EndBatch();

private:
    const TRegValue* Find(const QString& section, const QString& key) const;
    void Load();
    void Changed();
    void Save();
    void SetAside(const QString& why);

    QString FFilePath;
    QString FWritePath; // the link's target when FFilePath is a link
    TRegDocument FDocument;
    bool FWritable = true;
    int FBatchDepth = 0;
    bool FDirty = false;
};

// One operation's writes as one rewrite of the file.
class TSettingsBatch {
public:
    explicit TSettingsBatch(TSettingsStore& store)
        : FStore(store)
    {
        FStore.BeginBatch();
    }
    ~TSettingsBatch() { FStore.EndBatch(); }
    TSettingsBatch(const TSettingsBatch&) = delete;
    TSettingsBatch& operator=(const TSettingsBatch&) = delete;

private:
    TSettingsStore& FStore;
};

// The process-wide store, open between OpenSettingsStore and
// CloseSettingsStore.
extern TSettingsStore* SettingsStore;
void OpenSettingsStore();
void CloseSettingsStore();
