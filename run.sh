#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build" -DKC_BUILD_TESTS=OFF -DKC_BUILD_BENCH=OFF
exec "$root/build/src/app/kestrune-courier" "$@"
