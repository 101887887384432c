// SPDX-License-Identifier: GPL-2.0-or-later
// Pure text rules for the headers of an outgoing message: encoding of
// non-ASCII words, address lists, content types, dates and message ids.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace MailHeaders {

// A header value that holds CR, LF or NUL would let the text write headers of
// its own into the message (header injection).
bool HasLineBreak(const QString& text);

// Plain printable ASCII stays as it is; anything else becomes RFC 2047
// "=?UTF-8?B?...?=" words of at most 75 characters, folded onto new lines.
QByteArray EncodeWords(const QString& text);

// One entry of an address field: "Name <box@host>" or a bare "box@host".
struct TMailbox {
    QString DisplayName;
    QString Address;
};

// An address a mail server takes as it is: "local@domain", printable ASCII,
// both sides dot-atoms; no space, angle bracket, comma, semicolon, quote,
// control or non-ASCII character. Anything else could end the address early
// in the SMTP dialogue and carry commands or recipients of its own.
bool IsAddrSpec(const QString& address);

// The mailboxes of an address field, split at commas and semicolons outside
// quotes and angle brackets, empty entries dropped, when every entry is a
// bare address (local@domain, as IsAddrSpec takes it) or "display name
// <address>" (a display name without control characters);
// nothing when any entry is neither or the field names nobody.
std::optional<QList<TMailbox>> ParseAddressField(const QString& field);

// The header value for an address field, display names encoded as needed.
QByteArray FormatMailboxes(const QList<TMailbox>& mailboxes);

// MIME type chosen by the file name's extension.
QByteArray ContentTypeForFile(const QString& path);

// RFC 5322 date with English day and month names whatever the locale.
QByteArray FormatDate(const QDateTime& when);

// A unique "<...@domain>" id; the domain is the sender's when it has one.
QByteArray MakeMessageId(const QString& senderAddress);

} // namespace MailHeaders
