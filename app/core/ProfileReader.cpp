// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/ProfileReader.h"

namespace {

bool SameName(QStringView a, QStringView b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

QString Unquoted(QStringView text)
{
    if (text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'') && text.back() == text.front())
        return text.mid(1, text.size() - 2).toString();
    return text.toString();
}

} // namespace

TProfileReader::TProfileReader(QStringView text)
{
    TSection* current = nullptr;
    for (QStringView line : text.tokenize(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            const qsizetype close = line.lastIndexOf(u']');
            if (close <= 0) {
                current = nullptr; // an unreadable header hides the lines under it
                continue;
            }
            FSections.push_back(TSection { line.mid(1, close - 1).trimmed().toString(), {} });
            current = &FSections.back();
            continue;
        }
        if (!current)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0) {
            current->Entries.push_back(TEntry { line.toString(), QString() });
            continue;
        }
        current->Entries.push_back(
            TEntry { line.left(equals).trimmed().toString(), Unquoted(line.mid(equals + 1).trimmed()) });
    }
}

std::optional<QString> TProfileReader::Find(const QString& section, const QString& key) const
{
    for (const auto& candidate : FSections) {
        if (!SameName(candidate.Name, section))
            continue;
        for (const auto& entry : candidate.Entries)
            if (SameName(entry.Key, key))
                return entry.Text;
        return std::nullopt;
    }
    return std::nullopt;
}

QString TProfileReader::ReadString(const QString& section, const QString& key, const QString& def) const
{
    return Find(section, key).value_or(def);
}
