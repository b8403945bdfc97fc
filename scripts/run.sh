#!/usr/bin/env bash
# Sets up, builds if needed, starts the local stand-in servers (on the port they had for the
# sandbox before while it is free, else on a free one) and runs the app against them: in a
# phone-sized window when a display is there, else headless.
# Arguments go to the app (build/app/housing --help lists them), e.g.
#   scripts/run.sh --sandbox /tmp/demo --screenshot /tmp/shot.png --screenshot-after 3
#   scripts/run.sh --push '{"type":"8"}'     (delivered to the app running on the sandbox)
#   scripts/run.sh --position 39.9087,116.3975   (the device elsewhere; --no-position: nowhere)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Only what a run needs: the app, the stand-in, the bundle and the sample photos' drawer
# (scripts/test.sh builds the tests). The options are scripts/test.sh's, so that the one build/
# folder compiles alike for both and neither compiles again what the other has built.
TARGETS="housing standin bundle sample_pictures" \
    BUILD_WHAT="the app, the stand-in servers and the bundle" scripts/build.sh -DHOUSING_WERROR=ON

# Qt keeps its runtime files in a private folder that a desktop session names; without one
# (a console, a container) the processes started here get a folder of their own.
runtime=""
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    runtime=$(mktemp -d)
    export XDG_RUNTIME_DIR="$runtime"
fi
log=""
standin_pid=""
app_pid=""
# Stopping the script stops the app and the servers it started, and nothing else.
stop() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$standin_pid" ] && kill "$standin_pid" 2>/dev/null
    [ -n "$log" ] && rm -f "$log"
    [ -n "$runtime" ] && rm -rf "$runtime"
    return 0
}
trap stop EXIT
trap 'exit 130' INT TERM

# A push goes to the app running on the sandbox, or waits for its next launch: it needs no
# servers, and the command ends at once.
for argument in "$@"; do
    if [ "$argument" = "--push" ]; then
        build/app/housing "$@"
        exit
    fi
done

# A phone knows where it is: unless HOUSING_POSITION (or --position / --no-position, which
# the app takes) says otherwise, the device stands among the broker shops of a sample city.
if [ -z "${HOUSING_POSITION+set}" ] && [ "${HOUSING_POSITION_SOURCE:-}" != "system" ]; then
    HOUSING_POSITION=$(build/standin/standin --sample-position)
    export HOUSING_POSITION
fi

# The sandbox the app runs on (--sandbox DIR, else $HOUSING_SANDBOX, else the app's default):
# the stand-in keeps the needs published to it there, so that a relaunch finds their houses
# and does not ask a guest to check by SMS a number he checked before, the last message id it
# gave, so that the brokers' answers after a relaunch are not taken for messages the app
# already has, with what the app has not acknowledged of the brokers' answers, so that the
# brokers answer a need sent a moment before a quit, greeting and cards, and the posts'
# views, so that a post is not seen fewer times after a relaunch. It keeps there too the
# pictures and voices uploaded to it and the port it listened on, asked for again while it is
# free: the app's messages keep the whole addresses of the user's own pictures and voices,
# which name the port.
sandbox="${HOUSING_SANDBOX:-${XDG_DATA_HOME:-$HOME/.local/share}/housing-app}"
previous=""
for argument in "$@"; do
    [ "$previous" = "--sandbox" ] && sandbox="$argument"
    previous="$argument"
done
mkdir -p "$sandbox"

log=$(mktemp)
build/standin/standin --needs "$sandbox/standin-needs.json" \
    --messages "$sandbox/standin-messages.json" --views "$sandbox/standin-views.json" \
    --images "$sandbox/standin-images" --port-file "$sandbox/standin-port.json" \
    >"$log" 2>&1 &
standin_pid=$!
root=""
for _ in $(seq 1 100); do
    root=$(sed -n 's/^standin listening on //p' "$log" | head -1)
    [ -n "$root" ] && break
    sleep 0.05
done
if [ -z "$root" ]; then
    echo "run.sh: the stand-in servers did not start:" >&2
    cat "$log" >&2
    exit 1
fi
echo "stand-in servers at $root"
# The chat's photo library: $HOUSING_PHOTO_LIBRARY, else a folder of sample photos, each a
# photo of its own (the smaller renditions of one photo that earlier runs put there go).
if [ -z "${HOUSING_PHOTO_LIBRARY:-}" ]; then
    HOUSING_PHOTO_LIBRARY="${XDG_DATA_HOME:-$HOME/.local/share}/housing/photo-library"
    rm -f "$HOUSING_PHOTO_LIBRARY"/{1001_120-90c_7-0,1001_300-300_8-0,4001_120-160_7-0}.jpg
    if [ ! -d "$HOUSING_PHOTO_LIBRARY" ]; then
        samples=$(mktemp -d)
        build/tools/sample_pictures "$samples" posts/1001.jpg posts/1002.jpg posts/1003.jpg \
            posts/1004.jpg chat/4001.jpg chat/4002.jpg >/dev/null
        mkdir -p "$HOUSING_PHOTO_LIBRARY"
        cp "$samples"/posts/*.jpg "$samples"/chat/*.jpg "$HOUSING_PHOTO_LIBRARY"/
        rm -rf "$samples"
    fi
fi
export HOUSING_PHOTO_LIBRARY
HOUSING_SERVER_ROOT="$root" build/app/housing "$@" &
app_pid=$!
echo "app running as process $app_pid (kill -USR1 $app_pid writes the --screenshot file)"
status=0
wait "$app_pid" || status=$?
app_pid=""
exit "$status"
