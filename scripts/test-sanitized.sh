#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# ./build-asan and runs every test under them. CTest sets what the sanitizers
# need (cmake/GlimviewSanitize.cmake); a leak or an error report fails a test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DGLIMVIEW_SANITIZE=ON -DGLIMVIEW_BUILD_BENCH=OFF -DGLIMVIEW_BUILD_SKINGEN=OFF "$@"
cmake --build "$root/build-asan" -j"$(nproc)"
cd "$root/build-asan"
# LeakSanitizer's own tracer now and then crashes as it stops a process's
# threads at exit ("Tracer caught signal 11 ... LeakSanitizer has encountered
# a fatal error"), after the test has passed: a failure of the sanitizer, not
# a finding. A test that fails runs once more; a leak or an error of ours
# fails both runs.
ctest --output-on-failure --timeout 600 -j2 --repeat until-pass:2
