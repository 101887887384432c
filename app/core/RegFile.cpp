// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/RegFile.h"

#include <QStringDecoder>
#include <QStringList>

const QString RegRootKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Tessaly");

namespace {

const QString HeaderV5 = QStringLiteral("Windows Registry Editor Version 5.00");
const QString HeaderV4 = QStringLiteral("REGEDIT4");

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// regedit writes UTF-16LE with a byte-order mark; this program writes UTF-8.
std::optional<QString> DecodeRegText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder decoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
        QString text = decoder(bytes.mid(2));
        if (decoder.hasError())
            return std::nullopt;
        return text;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// Reads a quoted, escaped string starting at text[pos] == '"'; leaves pos
// after the closing quote.
std::optional<QString> ReadQuoted(const QString& text, qsizetype& pos)
{
    if (pos >= text.size() || text[pos] != u'"')
        return std::nullopt;
    QString result;
    for (++pos; pos < text.size(); ++pos) {
        const QChar c = text[pos];
        if (c == u'"') {
            ++pos;
            return result;
        }
        if (c != u'\\') {
            result += c;
            continue;
        }
        if (++pos >= text.size())
            return std::nullopt;
        switch (text[pos].unicode()) {
        case u'\\':
            result += u'\\';
            break;
        case u'"':
            result += u'"';
            break;
        case u'n':
            result += u'\n';
            break;
        case u'r':
            result += u'\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

QString Quoted(const QString& text)
{
    QString result = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            result += QLatin1String("\\\\");
            break;
        case u'"':
            result += QLatin1String("\\\"");
            break;
        // A line break inside a value would end the line and damage the file.
        case u'\n':
            result += QLatin1String("\\n");
            break;
        case u'\r':
            result += QLatin1String("\\r");
            break;
        default:
            result += c;
        }
    }
    result += u'"';
    return result;
}

std::optional<std::uint32_t> ParseDword(QStringView hex)
{
    if (hex.isEmpty() || hex.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const QChar c : hex) {
        const int digit = QStringLiteral("0123456789abcdef").indexOf(c.toLower());
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + std::uint32_t(digit);
    }
    return value;
}

std::optional<TRegValue> ParseValueLine(const QString& line)
{
    qsizetype pos = 0;
    auto name = ReadQuoted(line, pos);
    if (!name || pos >= line.size() || line[pos] != u'=')
        return std::nullopt;
    ++pos;
    TRegValue value;
    value.Name = *name;
    const QStringView rest = QStringView(line).mid(pos);
    if (rest.startsWith(QLatin1String("dword:"))) {
        const auto number = ParseDword(rest.mid(6));
        if (!number)
            return std::nullopt;
        value.IsNumber = true;
        value.Number = *number;
        return value;
    }
    auto text = ReadQuoted(line, pos);
    if (!text || pos != line.size())
        return std::nullopt;
    value.Text = *text;
    return value;
}

// "[HKEY_CURRENT_USER\Software\Tessaly\Name]" gives "Name", the root key "".
std::optional<QString> ParseSectionLine(const QString& line)
{
    if (!line.endsWith(u']'))
        return std::nullopt;
    const QString path = line.mid(1, line.size() - 2);
    if (SameName(path, RegRootKey))
        return QString();
    const QString prefix = RegRootKey + u'\\';
    if (path.size() <= prefix.size() || !SameName(path.left(prefix.size()), prefix))
        return std::nullopt;
    return path.mid(prefix.size());
}

} // namespace

namespace {

// The item named `name` (in any case) through `index`, case-folded name ->
// position, which is rebuilt when the list has changed behind its back.
template <typename T>
const T* FindNamed(const std::vector<T>& items, QHash<QString, std::size_t>& index, const QString& name)
{
    const auto rebuild = [&] {
        index.clear();
        for (std::size_t i = 0; i < items.size(); ++i)
            index.insert(items[i].Name.toCaseFolded(), i);
    };
    if (index.size() != qsizetype(items.size()))
        rebuild();
    auto found = index.constFind(name.toCaseFolded());
    if (found != index.cend() && (*found >= items.size() || !SameName(items[*found].Name, name))) {
        rebuild();
        found = index.constFind(name.toCaseFolded());
    }
    return found == index.cend() ? nullptr : &items[*found];
}

template <typename T>
T& NamedFor(std::vector<T>& items, QHash<QString, std::size_t>& index, const QString& name)
{
    if (const T* found = FindNamed(items, index, name))
        return items[std::size_t(found - items.data())];
    T& added = items.emplace_back();
    added.Name = name;
    index.insert(name.toCaseFolded(), items.size() - 1);
    return added;
}

} // namespace

const TRegValue* TRegSection::FindValue(const QString& name) const { return FindNamed(Values, FIndex, name); }

TRegValue* TRegSection::FindValue(const QString& name)
{
    return const_cast<TRegValue*>(std::as_const(*this).FindValue(name));
}

TRegValue& TRegSection::ValueFor(const QString& name) { return NamedFor(Values, FIndex, name); }

bool TRegSection::RemoveValue(const QString& name)
{
    const TRegValue* found = FindValue(name);
    if (!found)
        return false;
    Values.erase(Values.begin() + (found - Values.data()));
    FIndex.clear(); // positions after it moved
    return true;
}

const TRegSection* TRegDocument::FindSection(const QString& name) const
{
    return FindNamed(Sections, FIndex, name);
}

TRegSection* TRegDocument::FindSection(const QString& name)
{
    return const_cast<TRegSection*>(std::as_const(*this).FindSection(name));
}

TRegSection& TRegDocument::SectionFor(const QString& name) { return NamedFor(Sections, FIndex, name); }

std::optional<TRegDocument> ParseRegText(const QByteArray& bytes, QString* error)
{
    const auto fail = [error](const QString& why) -> std::optional<TRegDocument> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const auto text = DecodeRegText(bytes);
    if (!text)
        return fail(QStringLiteral("not valid UTF-8 or UTF-16 text"));

    TRegDocument document;
    bool headerSeen = false;
    TRegSection* section = nullptr;
    const QStringList lines = text->split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        const auto where = [i] { return QStringLiteral("line %1").arg(i + 1); };
        if (line.trimmed().isEmpty() || line.startsWith(u';'))
            continue;
        if (!headerSeen) {
            if (line != HeaderV5 && line != HeaderV4)
                return fail(where() + QStringLiteral(": not a registry file header"));
            headerSeen = true;
        } else if (line.startsWith(u'[')) {
            const auto name = ParseSectionLine(line);
            if (!name)
                return fail(where() + QStringLiteral(": a key outside ") + RegRootKey);
            section = &document.SectionFor(*name);
        } else {
            auto value = ParseValueLine(line);
            if (!value || !section)
                return fail(where() + QStringLiteral(": not a dword or string value"));
            section->ValueFor(value->Name) = *value;
        }
    }
    if (!headerSeen)
        return fail(QStringLiteral("no registry file header"));
    return document;
}

QByteArray FormatRegText(const TRegDocument& document)
{
    QString text = HeaderV5 + QStringLiteral("\n\n[") + RegRootKey + QStringLiteral("]\n");
    const auto formatValues = [&text](const TRegSection& section) {
        for (const auto& value : section.Values) {
            text += Quoted(value.Name) + u'=';
            text += value.IsNumber ? QStringLiteral("dword:%1").arg(value.Number, 8, 16, QChar(u'0'))
                                   : Quoted(value.Text);
            text += u'\n';
        }
    };
    for (const auto& section : document.Sections)
        if (section.Name.isEmpty())
            formatValues(section);
    for (const auto& section : document.Sections) {
        if (section.Name.isEmpty())
            continue;
        text += QStringLiteral("\n[") + RegRootKey + u'\\' + section.Name + QStringLiteral("]\n");
        formatValues(section);
    }
    return text.toUtf8();
}
