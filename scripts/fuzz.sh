#!/usr/bin/env bash
# Builds the libFuzzer harnesses of fuzz/ with clang (AddressSanitizer and UndefinedBehavior-
# Sanitizer) into build-fuzz/ and runs each on its corpus.
#   scripts/fuzz.sh [SECONDS] [HARNESS ...]   SECONDS per harness (default 5), all harnesses
#                                             when none is named
# New inputs found go to a temporary folder; the committed corpus is only read. A crash or
# undefined behaviour stops the script with the end of the harness's report; the whole log
# stays in build-fuzz/fuzz-logs/ and the input that failed in the folder it names.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
seconds=${1:-5}
[ $# -gt 0 ] && shift
BUILD_DIR=build-fuzz

# No precompiled headers here: clang names its header file by absolute path in a way the
# compiler cache cannot relocate, so a fresh clone would compile everything again.
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DHOUSING_FUZZ=ON -DHOUSING_PCH=OFF -DHOUSING_WERROR=ON >/dev/null
fi
set +e
cmake --build "$BUILD_DIR" --target fuzzers -- -j"${JOBS:-$(nproc)}" 2>&1 | grep -v -E '^\[[0-9]+/[0-9]+\]'
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
# Undefined behaviour is built to end a run (-fno-sanitize-recover); these options say so to
# the runtime too and give its report a stack.
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
logs="$BUILD_DIR/fuzz-logs"
mkdir -p "$logs"
for name in "${harnesses[@]}"; do
    found=$(mktemp -d)
    log="$logs/$name.log"
    status=0
    "$BUILD_DIR/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$found/" "$found" "fuzz/corpus/$name" >"$log" 2>&1 ||
        status=$?
    # A report of undefined behaviour fails the harness even where a check was built to go on.
    if [ "$status" -ne 0 ] || grep -q 'runtime error:' "$log"; then
        tail -n 80 "$log"
        echo "fuzz $name: FAILED (whole log in $log, crashing input in $found)"
        exit 1
    fi
    runs=$(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
    coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | grep -o '[0-9]*$')
    echo "fuzz $name: ${runs:-?} runs in ${seconds} s, coverage ${coverage:-?} edges, no crash"
    rm -rf "$found" "$log"
done
