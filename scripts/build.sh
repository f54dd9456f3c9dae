#!/usr/bin/env bash
# Configures and builds into a build folder:
#   scripts/build.sh [BUILD_DIR] [extra cmake args...] [-- target...]
# Without targets everything is built; with them only those (and what they need).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
args=()
targets=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then
    shift
    targets=("$@")
    break
  fi
  args+=("$1")
  shift
done
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${args[@]}" >/dev/null
if [ ${#targets[@]} -gt 0 ]; then
  cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]}"
else
  cmake --build "$build" --parallel "$(nproc)"
fi
