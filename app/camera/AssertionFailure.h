// The application's internal consistency check. A failed check raises an
// error whose text names the source file and line; the application's general
// error report shows it and the program goes on.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

class EAssertionFailed : public std::runtime_error {
public:
    EAssertionFailed(std::string_view file, int line)
        : std::runtime_error("Assertion failure (" + BaseName(file) + ", line " + std::to_string(line) + ")")
    {
    }

private:
    static std::string BaseName(std::string_view path)
    {
        const auto slash = path.find_last_of('/');
        return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
    }
};

#define GLIM_ASSERT(condition)                                                                               \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            throw EAssertionFailed(__FILE__, __LINE__);                                                      \
    } while (false)
