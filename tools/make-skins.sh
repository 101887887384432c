#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Rebuilds the skin generator and regenerates skins/ (pictures, skins.qrc and
# README.md). Also draws build-skins/preview.png, which is not committed.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="${SKINGEN_BUILD_DIR:-$root/build-skins}"

cmake -S "$root/tools/skingen" -B "$build/skingen" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/skingen" -j2
QT_QPA_PLATFORM=offscreen "$build/skingen/skingen" "$root/skins" "$build/preview.png"
echo "skins written to $root/skins; preview at $build/preview.png"
