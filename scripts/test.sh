#!/usr/bin/env bash
# Sets up everything on a fresh machine, builds, and runs every test.
# Prints at its end how long the build and the tests took.
#   --repeat N   runs every test up to N times, stopping a test at its first failure
#                (ctest's until-fail), to catch tests that fail now and then.
set -euo pipefail
cd "$(dirname "$0")/.."
repeat=()
while [ $# -gt 0 ]; do
    case "$1" in
        --repeat)
            [ $# -ge 2 ] || { echo "--repeat needs a count" >&2; exit 2; }
            repeat=(--repeat "until-fail:$2")
            shift 2
            ;;
        *)
            echo "unknown option: $1 (known: --repeat N)" >&2
            exit 2
            ;;
    esac
done
scripts/install-deps.sh
build_start=$SECONDS
# The options are scripts/run.sh's (warnings fail the build in both), so that after a run the
# tests build only what the run did not.
BUILD_DIR=${BUILD_DIR:-build} scripts/build.sh -DHOUSING_WERROR=ON
build_seconds=$((SECONDS - build_start))
cd "${BUILD_DIR:-build}"
test_jobs=${TEST_JOBS:-$(nproc)}
echo "test.sh: running the tests, $test_jobs at a time (a few minutes)"
tests_start=$SECONDS
set +e
ctest --output-on-failure -j"$test_jobs" --timeout 300 "${repeat[@]}"
status=$?
set -e
echo "Time: build ${build_seconds} s, tests $((SECONDS - tests_start)) s," \
    "$test_jobs at a time on $(nproc) cores"
exit "$status"
