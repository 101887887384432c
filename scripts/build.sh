#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Configures and builds everything into ./build (Release with debug info).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$root/build" -j"$(nproc)"
