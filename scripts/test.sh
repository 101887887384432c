#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs what is needed, builds, and runs every test. No display or camera needed:
# UI tests run offscreen, the capture tests use the synthetic camera.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
# Warnings fail the build here, so none creeps in unnoticed.
bash "$root/scripts/build.sh" -DGLIMVIEW_WERROR=ON
cd "$root/build"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure --timeout 600 -j2
