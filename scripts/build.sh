#!/usr/bin/env bash
# Configures (once) and builds the project into build/ (or $BUILD_DIR), with $JOBS
# compilations at a time (default: one per core): every target, or only those $TARGETS names
# (separated by spaces) and what they need. $BUILD_WHAT says in words what that is.
# Options (-DNAME=VALUE) go to the configuration, also of a build folder configured before.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo}
jobs=${JOBS:-$(nproc)}

# Line tables (-g1) rather than full debug information: stacks and debuggers still name files
# and lines, and a cold build takes about a third less time.
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    echo "build.sh: configuring $BUILD_DIR/"
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" "$@" >/dev/null
else
    # A folder configured before without an option asked for now (run.sh's folder, then
    # test.sh's warnings as errors) takes it, and keeps its other settings.
    for option in "$@"; do
        case "$option" in
            -D*=*)
                name=${option#-D}
                name=${name%%=*}
                name=${name%%:*}
                value=${option#*=}
                if [ "$(sed -n "s/^$name:[A-Z]*=//p" "$BUILD_DIR/CMakeCache.txt")" != "$value" ]; then
                    echo "build.sh: configuring $BUILD_DIR/ again with $option"
                    cmake -S . -B "$BUILD_DIR" "$@" >/dev/null
                    break
                fi
                ;;
        esac
    done
fi

targets=()
for target in ${TARGETS:-}; do
    targets+=(--target "$target")
done

if [ -n "${BUILD_WHAT:-}" ]; then
    what=$BUILD_WHAT
elif [ -n "${TARGETS:-}" ]; then
    what="$TARGETS"
else
    what="every program (the app, the stand-in servers, the tests, benchmarks and tools)"
fi
# Ninja's status line, read below: steps done, steps of this build.
export NINJA_STATUS="[%f/%t] "
# Asked here, not in the filter's arguments: inside $( ) standard output is that pipe.
terminal=0
[ -t 1 ] && terminal=1
# mawk, Debian's default awk, reads a pipe a block at a time unless told to read it line by
# line: ninja's lines would wait minutes for a block to fill. gawk reads them as they come.
awk_options=()
case "$(awk -W version 2>&1 </dev/null)" in
    *mawk*) awk_options=(-W interactive) ;;
esac
# Beside ninja's lines the filter reads a tick every half second, so that a log shows the
# steps ended even while no line comes.
tick=$'\001build.sh: tick'
set +e
{
    while sleep 0.5 >/dev/null 2>&1; do printf '%s\n' "$tick"; done &
    ticker=$!
    cmake --build "$BUILD_DIR" "${targets[@]}" -- -j"$jobs" 2>&1
    built=$?
    kill "$ticker" 2>/dev/null
    wait "$ticker" 2>/dev/null
    exit "$built"
} | awk "${awk_options[@]}" -v what="$what" -v jobs="$jobs" -v terminal="$terminal" \
    -v tick="$tick" -f scripts/build-progress.awk
status=${PIPESTATUS[0]}
set -e
exit "$status"
