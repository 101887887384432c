// SPDX-License-Identifier: GPL-2.0-or-later
#include "mail/MailHeaders.h"

#include <QLocale>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QUuid>

namespace MailHeaders {

bool HasLineBreak(const QString& text)
{
    for (QChar c : text) {
        if (c == u'\r' || c == u'\n' || c == u'\0')
            return true;
    }
    return false;
}

static bool IsPlainAscii(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    }
    // A literal "=?" could be read back as an encoded word.
    return !text.contains(QLatin1String("=?"));
}

QByteArray EncodeWords(const QString& text)
{
    if (IsPlainAscii(text))
        return text.toLatin1();

    // 39 bytes make 52 base64 characters, a 64-character word that fits a
    // 76-character line even after "Subject: "; a UTF-8 sequence is never
    // split between two words.
    constexpr qsizetype maxChunk = 39;
    const QByteArray utf8 = text.toUtf8();
    QByteArray result;
    qsizetype pos = 0;
    while (pos < utf8.size()) {
        qsizetype end = std::min(pos + maxChunk, utf8.size());
        while (end < utf8.size() && end > pos && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
            --end;
        if (!result.isEmpty())
            result += "\r\n ";
        result += "=?UTF-8?B?" + utf8.mid(pos, end - pos).toBase64() + "?=";
        pos = end;
    }
    return result;
}

static bool IsDotAtom(const QString& text, bool domain)
{
    static const QRegularExpression local(
        QStringLiteral("^[A-Za-z0-9!#$%&'*+/=?^_`{|}~-]+(\\.[A-Za-z0-9!#$%&'*+/=?^_`{|}~-]+)*\\z"));
    static const QRegularExpression host(QStringLiteral("^[A-Za-z0-9-]+(\\.[A-Za-z0-9-]+)*\\z"));
    return (domain ? host : local).match(text).hasMatch();
}

bool IsAddrSpec(const QString& address)
{
    const qsizetype at = address.lastIndexOf(u'@');
    return address.size() <= 254 && at > 0 && at <= 64 && IsDotAtom(address.left(at), false)
        && IsDotAtom(address.mid(at + 1), true);
}

static bool HasControlCharacter(const QString& text)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u <= 0x9f) || u == 0x2028 || u == 0x2029)
            return true;
    }
    return false;
}

// One entry of an address field, strictly: "box@host" or "Name <box@host>".
static std::optional<TMailbox> ParseStrictMailbox(const QString& text)
{
    if (HasControlCharacter(text))
        return std::nullopt;
    const QString entry = text.trimmed();
    TMailbox mailbox;
    if (entry.endsWith(u'>')) {
        const qsizetype open = entry.lastIndexOf(u'<');
        if (open < 0)
            return std::nullopt;
        mailbox.Address = entry.mid(open + 1, entry.size() - open - 2);
        QString name = entry.left(open).trimmed();
        if (name.size() >= 2 && name.startsWith(u'"') && name.endsWith(u'"'))
            name = name.mid(1, name.size() - 2).replace(QLatin1String("\\\""), QLatin1String("\""));
        else if (name.contains(u'<') || name.contains(u'>') || name.contains(u'"'))
            return std::nullopt;
        mailbox.DisplayName = name;
    } else {
        mailbox.Address = entry;
    }
    if (!IsAddrSpec(mailbox.Address))
        return std::nullopt;
    return mailbox;
}

std::optional<QList<TMailbox>> ParseAddressField(const QString& field)
{
    QList<TMailbox> result;
    QString entry;
    bool quoted = false;
    bool angled = false;
    bool valid = true;
    auto flush = [&] {
        if (!entry.trimmed().isEmpty()) {
            if (const auto mailbox = ParseStrictMailbox(entry))
                result.append(*mailbox);
            else
                valid = false;
        }
        entry.clear();
    };
    for (QChar c : field) {
        if (c == u'"' && !angled)
            quoted = !quoted;
        else if (c == u'<' && !quoted)
            angled = true;
        else if (c == u'>' && !quoted)
            angled = false;
        else if ((c == u',' || c == u';') && !quoted && !angled) {
            flush();
            continue;
        }
        entry += c;
    }
    flush();
    if (!valid || result.isEmpty())
        return std::nullopt;
    return result;
}

static QByteArray FormatDisplayName(const QString& name)
{
    if (!IsPlainAscii(name))
        return EncodeWords(name);
    QString quoted = name;
    quoted.replace(u'\\', QLatin1String("\\\\")).replace(u'"', QLatin1String("\\\""));
    return '"' + quoted.toLatin1() + '"';
}

QByteArray FormatMailboxes(const QList<TMailbox>& mailboxes)
{
    QByteArray result;
    for (const TMailbox& mailbox : mailboxes) {
        if (!result.isEmpty())
            result += ", ";
        if (mailbox.DisplayName.isEmpty())
            result += mailbox.Address.toUtf8();
        else
            result += FormatDisplayName(mailbox.DisplayName) + " <" + mailbox.Address.toUtf8() + '>';
    }
    return result;
}

QByteArray ContentTypeForFile(const QString& path)
{
    // By the extension alone, never by what the first bytes happen to look like.
    return QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension).name().toLatin1();
}

QByteArray FormatDate(const QDateTime& when)
{
    // Qt writes this format with the C locale's names, whatever the user's,
    // but without the day of the week that mail readers show.
    return (QLocale::c().toString(when, u"ddd, ") + when.toString(Qt::RFC2822Date)).toLatin1();
}

QByteArray MakeMessageId(const QString& senderAddress)
{
    QString domain = senderAddress.section(u'@', -1);
    static const QRegularExpression plainDomain(QStringLiteral("^[A-Za-z0-9-]+(\\.[A-Za-z0-9-]+)*$"));
    if (!senderAddress.contains(u'@') || !plainDomain.match(domain).hasMatch())
        domain = QStringLiteral("glimview.localhost");
    return '<' + QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1() + '@' + domain.toLatin1()
        + '>';
}

} // namespace MailHeaders
