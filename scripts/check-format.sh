#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Checks that every C and C++ file of the tree is formatted as the root
# .clang-format says. With --fix, formats them instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
if ! command -v clang-format >/dev/null; then
    echo "clang-format is not installed" >&2
    exit 77
fi
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
else
    mapfile -t files < <(find . -path ./build -prune -o -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) -print)
fi
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
else
    clang-format --dry-run --Werror "${files[@]}"
fi
