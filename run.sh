#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: with no argument the demo (the main window on
# the demo run directory with its sandbox shops serving, or the headless demo update run when there is
# no display), otherwise the command given (./run.sh --help lists them).
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build" -DKC_BUILD_TESTS=OFF -DKC_BUILD_BENCH=OFF
[ "$#" -eq 0 ] && set -- demo --window
exec "$root/build/src/app/kestrune-courier" "$@"
