#!/usr/bin/env bash
# Sets up, builds if needed, and runs the app against the local stand-in servers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec build/standin/standin "$@"
