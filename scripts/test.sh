#!/usr/bin/env bash
# Sets up everything on a fresh machine, builds, and runs every test.
# Prints at its end how long the build and the tests took.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build_start=$SECONDS
BUILD_DIR=${BUILD_DIR:-build} scripts/build.sh -DHOUSING_WERROR=ON
build_seconds=$((SECONDS - build_start))
cd "${BUILD_DIR:-build}"
tests_start=$SECONDS
set +e
ctest --output-on-failure -j"$(nproc)" --timeout 300
status=$?
set -e
echo "Time: build ${build_seconds} s, tests $((SECONDS - tests_start)) s on $(nproc) cores"
exit "$status"
