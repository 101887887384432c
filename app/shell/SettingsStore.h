// SPDX-License-Identifier: GPL-2.0-or-later
// The per-user settings store: sections of named values, each value a 32-bit
// integer or a string, kept in $XDG_CONFIG_HOME/Tessaly/settings.reg.
//
// There is no cache: every read reads the file and every write rewrites it at
// once, atomically, so another reader never sees half a file and a crash
// never leaves one. A damaged file reads as empty (every read gives its
// default), is moved aside as "settings.reg.bad" with one warning, and the
// next write starts a fresh file.
#pragma once

#include <QString>

struct TRegDocument;

class TSettingsStore {
public:
    // Creates the folder and an empty store file when they are missing.
    explicit TSettingsStore(const QString& filePath = DefaultFilePath());

    static QString DefaultFilePath();
    QString FilePath() const { return FFilePath; }

    // A string value is read as decimal text; one that is not a number gives
    // the default.
    int ReadInteger(const QString& section, const QString& key, int def);
    // An existing string value keeps its type and receives the decimal text.
    void WriteInteger(const QString& section, const QString& key, int value);
    bool ReadBool(const QString& section, const QString& key, bool def);
    void WriteBool(const QString& section, const QString& key, bool value);
    QString ReadString(const QString& section, const QString& key, const QString& def);
    void WriteString(const QString& section, const QString& key, const QString& value);

private:
    TRegDocument Load();
    void Save(const TRegDocument& document);
    void SetAside(const QString& why);

    QString FFilePath;
};

// The process-wide store, open between OpenSettingsStore and
// CloseSettingsStore.
extern TSettingsStore* SettingsStore;
void OpenSettingsStore();
void CloseSettingsStore();
