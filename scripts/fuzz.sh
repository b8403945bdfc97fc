#!/usr/bin/env bash
# Builds the libFuzzer harnesses of fuzz/ with clang (AddressSanitizer and UndefinedBehavior-
# Sanitizer) into build-fuzz/ and runs each on its corpus.
#   scripts/fuzz.sh [SECONDS] [HARNESS ...]   SECONDS per harness (default 5), all harnesses
#                                             when none is named; 0 runs each harness once
#                                             over its corpus and makes no new inputs (CI)
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
# compiler cache cannot relocate, so a fresh clone would compile everything again. Line tables
# at -O1 are enough for the sanitizers' stacks and compile far faster than full debug
# information at -O2, which matters in a cold build.
CC=clang CXX=clang++ BUILD_DIR=$BUILD_DIR TARGETS=fuzzers \
    BUILD_WHAT="the fuzzing harnesses and their libraries under clang" scripts/build.sh \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
    -DHOUSING_FUZZ=ON -DHOUSING_PCH=OFF -DHOUSING_WERROR=ON

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
    if [ "$seconds" -eq 0 ]; then
        length=(-runs=0)
    else
        length=(-max_total_time="$seconds")
    fi
    "$BUILD_DIR/fuzz/fuzz_$name" "${length[@]}" -timeout=10 -rss_limit_mb=2048 \
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
    if [ "$seconds" -eq 0 ]; then
        echo "fuzz $name: ${runs:-?} inputs of its corpus, coverage ${coverage:-?} edges, no crash"
    else
        echo "fuzz $name: ${runs:-?} runs in ${seconds} s, coverage ${coverage:-?} edges, no crash"
    fi
    rm -rf "$found" "$log"
done
