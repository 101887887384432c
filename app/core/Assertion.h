// SPDX-License-Identifier: GPL-2.0-or-later
// Internal consistency checks. A failed check raises an error whose text is
// "Assertion failure (FILE, line N)"; the guard around the handler that
// failed (ErrorGuard.h) shows it in the application's error report and the
// program goes on.
#pragma once

#include <stdexcept>
#include <string_view>

class EAssertionFailed : public std::runtime_error {
public:
    EAssertionFailed(std::string_view file, int line);
};

#define GLIM_ASSERT(condition)                                                                               \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            throw EAssertionFailed(__FILE__, __LINE__);                                                      \
    } while (false)
