// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/CodePage.h"

#include <QStringDecoder>

#include <cerrno>
#include <iconv.h>

namespace {

// glibc's names; "CP949" is the Windows Unified Hangul Code (EUC-KR would
// drop its extension syllables).
QByteArray IconvName(int codePage) { return "CP" + QByteArray::number(codePage); }

} // namespace

QString DecodeCodePage(const QByteArray& bytes, int codePage)
{
    iconv_t converter = iconv_open("UTF-8", IconvName(codePage).constData());
    if (converter == iconv_t(-1))
        return QString::fromLatin1(bytes);

    QByteArray utf8;
    QByteArray chunk(4096, Qt::Uninitialized);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    while (inLeft > 0) {
        char* out = chunk.data();
        size_t outLeft = size_t(chunk.size());
        const size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
        utf8.append(chunk.constData(), chunk.size() - qsizetype(outLeft));
        if (result != size_t(-1) || errno == E2BIG)
            continue;
        // An invalid or truncated sequence: mark it and resynchronise on the
        // next byte.
        utf8.append("\xEF\xBF\xBD");
        ++in;
        --inLeft;
    }
    // Some code pages (1255, 1258) hold back a letter that a following mark
    // could combine with; the final call releases it.
    char* out = chunk.data();
    size_t outLeft = size_t(chunk.size());
    iconv(converter, nullptr, nullptr, &out, &outLeft);
    utf8.append(chunk.constData(), chunk.size() - qsizetype(outLeft));
    iconv_close(converter);
    return QString::fromUtf8(utf8);
}

bool IsValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(bytes);
    return !decoder.hasError();
}
