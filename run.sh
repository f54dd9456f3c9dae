#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: with no argument the demo update run
# (kestrune-courier demo), otherwise the command given (./run.sh --help lists them).
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build" -DKC_BUILD_TESTS=OFF -DKC_BUILD_BENCH=OFF
[ "$#" -eq 0 ] && set -- demo
exec "$root/build/src/app/kestrune-courier" "$@"
