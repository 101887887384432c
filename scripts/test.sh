#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs what is needed, builds, and runs every test, then builds again with the
# sanitizers and runs every test under them. No display or camera needed:
# UI tests run offscreen, the capture tests use the synthetic camera.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
# Warnings fail the build here, so none creeps in unnoticed.
bash "$root/scripts/build.sh" -DGLIMVIEW_WERROR=ON
export QT_QPA_PLATFORM=offscreen
(cd "$root/build" && ctest --output-on-failure --timeout 600 -j2)
# Then the same suite under AddressSanitizer and UndefinedBehaviorSanitizer.
bash "$root/scripts/test-sanitized.sh"
