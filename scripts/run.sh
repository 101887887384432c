#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs what is needed, builds, and starts Glimview from its run folder.
# With no camera attached the synthetic camera and microphone are offered.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
# Without a capture device the synthetic camera and microphone stand in.
if ! ls /dev/video* >/dev/null 2>&1; then
    export VIDCORE_TEST_DEVICES="${VIDCORE_TEST_DEVICES:-1}"
fi
run="$root/build/run"
cd "$run"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: starting Glimview on a virtual X server (xvfb-run)."
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$run/glimview"
fi
exec "$run/glimview"
