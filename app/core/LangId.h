// SPDX-License-Identifier: GPL-2.0-or-later
// The system language as a Windows language identifier (LANGID): primary
// language and sublanguage in one 16-bit number, e.g. 0x0412 for Korean.
#pragma once

#include <QString>

#include <cstdint>

using TLangId = std::uint16_t;

// The LANGID of a POSIX locale name such as "ko_KR.UTF-8" or "sr_RS@latin".
// A known language in an unknown country gives the language's default
// sublanguage; anything unknown (including "C" and "POSIX") gives 0x0409.
TLangId LangIdFromLocaleName(const QString& localeName);

// The locale that decides the language of messages: LC_ALL, then
// LC_MESSAGES, then LANG, the first one set and not empty.
QString MessagesLocaleName();

TLangId SystemDefaultLangId();
