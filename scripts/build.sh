#!/usr/bin/env bash
# Configures (once) and builds the project into build/ (or $BUILD_DIR), with $JOBS
# compilations at a time (default: one per core): every target, or only those $TARGETS names
# (separated by spaces) and what they need.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo}

# Line tables (-g1) rather than full debug information: stacks and debuggers still name files
# and lines, and a cold build takes about a third less time.
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" "$@" >/dev/null
fi
targets=()
for target in ${TARGETS:-}; do
    targets+=(--target "$target")
done
# Ninja's progress lines are dropped; warnings and errors stay.
set +e
cmake --build "$BUILD_DIR" "${targets[@]}" -- -j"${JOBS:-$(nproc)}" 2>&1 |
    grep -v -E '^\[[0-9]+/[0-9]+\]'
status=${PIPESTATUS[0]}
set -e
exit "$status"
