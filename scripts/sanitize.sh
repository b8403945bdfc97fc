#!/usr/bin/env bash
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer in build-sanitize/
# and runs every test there.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# -O1: unoptimised code under both sanitizers runs the stand-in's sample data too slowly for the
# tests' waits; -O1 keeps every check and stacks that name their lines.
BUILD_DIR=build-sanitize BUILD_TYPE=Debug scripts/build.sh -DHOUSING_SANITIZE=ON -DHOUSING_BENCHMARKS=OFF \
    -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1"
cd build-sanitize
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ctest --output-on-failure -j"$(nproc)" --timeout 600
