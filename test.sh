#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps.sh"
# Every part is asked for by name: ./run.sh builds the same folder without the tests and benchmarks, and a
# cached "off" would leave ctest with nothing (or with stale executables) to run.
extra=(-DKC_BUILD_TESTS=ON -DKC_BUILD_BENCH=ON -DKC_BUILD_APP=ON -DKC_BUILD_GUI=ON)
[ "${CI:-}" = "true" ] && extra+=(-DKC_WERROR=ON)
"$root/scripts/build.sh" "$root/build" "${extra[@]}"
cd "$root/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --no-tests=error --parallel "$(nproc)" --timeout 300
