#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# ./build-asan and runs every test under them. CTest sets what the sanitizers
# need (cmake/GlimviewSanitize.cmake); a leak or an error report fails a test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DGLIMVIEW_SANITIZE=ON -DGLIMVIEW_BUILD_BENCH=OFF "$@"
cmake --build "$root/build-asan" -j"$(nproc)"
cd "$root/build-asan"
ctest --output-on-failure --timeout 600 -j2
