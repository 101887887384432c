#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Runs the built Glimview on a virtual X server with the synthetic camera,
# takes two snapshots and records a short clip with clicks on the panel's
# buttons, and saves a picture of the whole screen: scripts/screenshot.sh [out.png]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath -m "${1:-$root/docs/screenshot.png}")"
run="${GLIMVIEW_RUN_DIR:-$root/build/run}"
[ -x "$run/glimview" ] || { echo "build first: bash scripts/build.sh" >&2; exit 1; }
mkdir -p "$(dirname "$out")"

work="$(mktemp -d)"
# The program ends before its X server does.
trap 'kill ${app:-} 2>/dev/null; wait ${app:-} 2>/dev/null; kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
# A display number of its own: another X server may hold any fixed one.
Xvfb -displayfd 3 -noreset -screen 0 1100x600x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 1 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")" VIDCORE_TEST_DEVICES=1 XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -m 0700 -p "$XDG_RUNTIME_DIR"
cd "$run"
./glimview &
app=$!
# The camera is up once the live view shows the running clock of the test picture.
for _ in $(seq 1 100); do
    xwininfo -root -tree 2>/dev/null | grep -q '"CamView"' && break
    sleep 0.2
done
sleep 3
# The panel opens at (50, 50) on a first run: the snapshot and the record
# button's centres.
click() { xdotool mousemove "$1" "$2" click 1; sleep "$3"; }
click 127 120 1
click 127 120 1
click 183 120 3
click 183 120 2
xdotool mousemove 700 590
import -window root "$out"
echo "saved $out"
