#!/usr/bin/env bash
# Builds the libFuzzer harnesses of fuzz/ with clang (AddressSanitizer and UndefinedBehavior-
# Sanitizer) into build-fuzz/ and runs each on its corpus.
#   scripts/fuzz.sh [SECONDS] [HARNESS ...]   SECONDS per harness (default 5), all harnesses
#                                             when none is named
# New inputs found go to a temporary folder; the committed corpus is only read. A crash stops
# the script with the harness's report and the input that crashed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
seconds=${1:-5}
[ $# -gt 0 ] && shift
BUILD_DIR=build-fuzz

if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DHOUSING_FUZZ=ON -DHOUSING_WERROR=ON >/dev/null
fi
set +e
cmake --build "$BUILD_DIR" -- -j"${JOBS:-$(nproc)}" 2>&1 | grep -v -E '^\[[0-9]+/[0-9]+\]'
status=${PIPESTATUS[0]}
set -e
[ "$status" -eq 0 ] || exit "$status"

harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
    for program in "$BUILD_DIR"/fuzz/fuzz_*; do
        [ -f "$program" ] && [ -x "$program" ] && harnesses+=("${program##*/fuzz_}")
    done
fi

export QT_QPA_PLATFORM=offscreen
for name in "${harnesses[@]}"; do
    found=$(mktemp -d)
    log=$(mktemp)
    if ! "$BUILD_DIR/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$found/" "$found" "fuzz/corpus/$name" >"$log" 2>&1; then
        cat "$log"
        echo "fuzz $name: FAILED (crashing input in $found)"
        exit 1
    fi
    runs=$(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
    echo "fuzz $name: ${runs:-?} runs in ${seconds} s, no crash"
    rm -rf "$found" "$log"
done
