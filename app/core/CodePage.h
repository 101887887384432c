// SPDX-License-Identifier: GPL-2.0-or-later
// 8-bit text in a Windows code page (949 Korean, 936 simplified Chinese, 950
// traditional Chinese, 125x European, Greek, Cyrillic, Turkish, Hebrew,
// Arabic), decoded with the C library's iconv.
#pragma once

#include <QByteArray>
#include <QString>

// Bytes that are not valid in the code page become U+FFFD.
QString DecodeCodePage(const QByteArray& bytes, int codePage);

// Strict UTF-8: no overlong forms, surrogates or values above U+10FFFF.
bool IsValidUtf8(const QByteArray& bytes);
