#!/usr/bin/env bash
# Sets up everything on a fresh machine, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build} scripts/build.sh -DHOUSING_WERROR=ON
cd "${BUILD_DIR:-build}"
ctest --output-on-failure -j"$(nproc)" --timeout 300
