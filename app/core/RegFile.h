// SPDX-License-Identifier: GPL-2.0-or-later
// The settings file's text layout: the Windows ".reg" export format, limited
// to one key (HKEY_CURRENT_USER\Software\Tessaly), its subkeys ("sections"),
// and values that are either 32-bit numbers (dword) or strings.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Tessaly\MainController]
//   "Left"=dword:00000032
//   "Top"="120"
//
// Parsing is strict: anything else makes the whole file damaged, so that a
// half-understood file is never rewritten with parts of it missing.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

struct TRegValue {
    QString Name;
    bool IsNumber = false;
    std::uint32_t Number = 0;
    QString Text;
};

struct TRegSection {
    QString Name; // relative to the root key; empty for the root key itself
    std::vector<TRegValue> Values;

    // Names match without regard to case, as registry names do.
    TRegValue* FindValue(const QString& name);
    const TRegValue* FindValue(const QString& name) const;
    TRegValue& ValueFor(const QString& name);
    // True when there was one to remove.
    bool RemoveValue(const QString& name);

private:
    // Case-folded name -> position in Values, so a large section is not
    // searched from the start for every value.
    mutable QHash<QString, std::size_t> FIndex;
};

struct TRegDocument {
    std::vector<TRegSection> Sections;

    TRegSection* FindSection(const QString& name);
    const TRegSection* FindSection(const QString& name) const;
    TRegSection& SectionFor(const QString& name);

private:
    // Case-folded name -> position in Sections: a file of many sections is
    // parsed in linear time, not searched from the start at every header.
    mutable QHash<QString, std::size_t> FIndex;
};

extern const QString RegRootKey;

// Returns no document when the text is damaged; *error then says why.
std::optional<TRegDocument> ParseRegText(const QByteArray& bytes, QString* error);

// UTF-8 text; the root key is always written, even when it holds nothing.
QByteArray FormatRegText(const TRegDocument& document);
