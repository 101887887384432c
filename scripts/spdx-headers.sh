#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Puts an SPDX-License-Identifier line at the top of every tracked source file
# that has none (after a shebang line, which must stay first). The libraries
# (vidcore/, filter/, setup/probix/) are LGPL-2.1-or-later, everything else
# GPL-2.0-or-later. Safe to run again: files that carry a line keep it.
#
#   scripts/spdx-headers.sh           add the missing lines
#   scripts/spdx-headers.sh --check   only list the files without one; exit 1 if any
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
check=false
[ "${1:-}" = "--check" ] && check=true

if ! files="$(git -C "$root" ls-files 2>/dev/null)"; then
    echo "spdx-headers: $root is not a git checkout; nothing to check" >&2
    exit 77
fi

licence_of() {
    case "$1" in
    vidcore/* | filter/* | setup/probix/*) echo "LGPL-2.1-or-later" ;;
    *) echo "GPL-2.0-or-later" ;;
    esac
}

# The comment form of a file's language, or nothing for files that are not source.
comment_of() {
    local path="$1" name="${1##*/}"
    case "$name" in
    *.c | *.cc | *.cpp | *.h | *.hpp | *.h.in | *.cpp.in) echo '// %s' ;;
    CMakeLists.txt | *.cmake | *.cmake.in | *.sh | *.sh.in | *.py) echo '# %s' ;;
    *.[1-8] | *.[1-8].in) echo '.\" %s' ;;
    *.map) echo '/* %s */' ;;
    *)
        # Scripts without an extension are known by their shebang.
        if [ -f "$root/$path" ] && [ "$(head -c 2 "$root/$path")" = "#!" ]; then
            echo '# %s'
        fi
        ;;
    esac
}

missing=()
while IFS= read -r path; do
    [ -f "$root/$path" ] || continue
    form="$(comment_of "$path")"
    [ -n "$form" ] || continue
    head -n 5 "$root/$path" | grep -q 'SPDX-License-Identifier:' && continue
    missing+=("$path")
    $check && continue
    # The format is a fixed pattern from comment_of, never file content.
    # shellcheck disable=SC2059
    line="$(printf "$form" "SPDX-License-Identifier: $(licence_of "$path")")"
    file="$root/$path"
    tmp="$(mktemp "$file.XXXXXX")"
    if [ "$(head -c 2 "$file")" = "#!" ]; then
        { head -n 1 "$file"; printf '%s\n' "$line"; tail -n +2 "$file"; } >"$tmp"
    else
        { printf '%s\n' "$line"; cat "$file"; } >"$tmp"
    fi
    chmod --reference="$file" "$tmp"
    mv "$tmp" "$file"
done <<<"$files"

if $check; then
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Source files without an SPDX-License-Identifier line (run scripts/spdx-headers.sh):"
        printf '  %s\n' "${missing[@]}"
        exit 1
    fi
    echo "every tracked source file names its licence"
else
    echo "added a licence line to ${#missing[@]} file(s)"
fi
