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
first_build=false
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    first_build=true
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

# A first build compiles everything: say what and about how long, so that minutes of
# compiling are not taken for a hang. A step takes about 3 CPU-seconds (a batch of sources, a
# link); the compiler cache of an earlier build on this machine makes most of them instant.
if $first_build; then
    steps=$(ninja -C "$BUILD_DIR" -t commands ${TARGETS:-} | wc -l)
    minutes=$(((steps * 3 + jobs * 60 - 1) / (jobs * 60)))
    [ "$minutes" -gt 1 ] && duration="$minutes minutes" || duration="a minute"
    what=${BUILD_WHAT:-every program (the app, the stand-in servers, the tests, benchmarks and tools)}
    echo "build.sh: a first build of $what: $steps steps, $jobs at a time, about $duration" \
        "without the compiler cache of an earlier build; later builds take seconds"
fi

# In a terminal Ninja keeps its progress on one line that it updates; elsewhere (a log) one line
# every tenth of the way. Warnings and errors show either way.
export NINJA_STATUS=${NINJA_STATUS:-"[%f/%t %p] "}
if [ -t 1 ]; then
    exec cmake --build "$BUILD_DIR" "${targets[@]}" -- -j"$jobs"
fi
set +e
cmake --build "$BUILD_DIR" "${targets[@]}" -- -j"$jobs" 2>&1 |
    awk '
        /^\[[0-9]+\/[0-9]+ / {
            split(substr($1, 2), counts, "/")
            tenth = int(counts[1] * 10 / counts[2])
            if (tenth > shown) {
                printf "build.sh: %d%% built (%d of %d steps)\n", tenth * 10, counts[1], counts[2]
                shown = tenth
                fflush()
            }
            next
        }
        { print; fflush() }'
status=${PIPESTATUS[0]}
set -e
exit "$status"
