// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/Assertion.h"

#include <string>

namespace {

// The report names the unit, not the build machine's folder layout.
std::string_view BaseName(std::string_view path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string AssertionText(std::string_view file, int line)
{
    std::string text = "Assertion failure (";
    text += BaseName(file);
    text += ", line ";
    text += std::to_string(line);
    text += ")";
    return text;
}

} // namespace

EAssertionFailed::EAssertionFailed(std::string_view file, int line)
    : std::runtime_error(AssertionText(file, line))
{
}
