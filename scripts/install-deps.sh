#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs the Debian packages listed in debian-packages.txt.
# Safe to run again: when everything is present, apt is not touched.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
mapfile -t packages < <(grep -v -e '^#' -e '^[[:space:]]*$' "$here/debian-packages.txt")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${packages[@]}"
