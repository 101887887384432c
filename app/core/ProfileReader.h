// SPDX-License-Identifier: GPL-2.0-or-later
// Reads ini-style text with the matching rules of the Windows profile
// functions: "[section]" lines and "key=text" lines, names compared without
// regard to case, blanks around names and texts ignored, one pair of
// enclosing quotes removed from a text, ';' lines are comments. Only the
// first section of a name is searched, and in it the first key of a name.
#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

class TProfileReader {
public:
    explicit TProfileReader(QStringView text);

    // The text of section/key, or nothing when the section or key is missing.
    std::optional<QString> Find(const QString& section, const QString& key) const;
    QString ReadString(const QString& section, const QString& key, const QString& def) const;

private:
    struct TEntry {
        QString Key;
        QString Text;
    };
    struct TSection {
        QString Name;
        std::vector<TEntry> Entries;
    };
    std::vector<TSection> FSections;
};
