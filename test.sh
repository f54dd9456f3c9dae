#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps.sh"
extra=()
[ "${CI:-}" = "true" ] && extra+=(-DKC_WERROR=ON)
"$root/scripts/build.sh" "$root/build" "${extra[@]}"
cd "$root/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 300
