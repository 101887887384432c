#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs what is needed, builds, and makes the Debian package
# build/package/glimview_<version>_amd64.deb with CPack. Install it with
#   sudo apt-get install ./build/package/glimview_<version>_amd64.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
cpack --config "$root/build/CPackConfig.cmake" -B "$root/build/package"
ls "$root"/build/package/glimview_*.deb
