#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Starts an installed Glimview from its per-user working folder, which holds
# Temp/ for the working media files and the language files.
set -e
prefix="$(cd "$(dirname "$0")/.." && pwd)"
work="${XDG_DATA_HOME:-$HOME/.local/share}/glimview"
mkdir -p "$work/Temp"
ln -sfn "$prefix/share/glimview/Languages" "$work/Languages"
cd "$work"
exec "$prefix/lib/glimview/glimview" "$@"
