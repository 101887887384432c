// SPDX-License-Identifier: GPL-2.0-or-later
// Timing allowances for a build under AddressSanitizer, where everything runs
// several times slower: a recording that keeps up otherwise drops frames, as
// its queue is built to, and a stop takes longer to reach the file. The
// checks stay the same; only the margins widen.
#pragma once

namespace glimview_test {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitizedBuild = true;
#else
inline constexpr bool kSanitizedBuild = false;
#endif

// `normal` in an ordinary build, `sanitized` under the sanitizers.
constexpr double Allowance(double normal, double sanitized) { return kSanitizedBuild ? sanitized : normal; }

} // namespace glimview_test
