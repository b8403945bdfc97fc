#!/usr/bin/env bash
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer in build-sanitize/
# and runs every test there.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD_DIR=build-sanitize BUILD_TYPE=Debug scripts/build.sh -DHOUSING_SANITIZE=ON -DHOUSING_BENCHMARKS=OFF
cd build-sanitize
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ctest --output-on-failure -j"$(nproc)" --timeout 600
