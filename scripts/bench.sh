#!/usr/bin/env bash
# Builds and runs every benchmark program; each prints its side-by-side ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD_DIR=build-bench BUILD_TYPE=Release scripts/build.sh
for program in build-bench/bench/*_bench; do
    echo "== $(basename "$program")"
    "$program" "$@"
done
