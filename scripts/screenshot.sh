#!/usr/bin/env bash
# Renders the main window and the log window under Xvfb into PNG files for review (not part of ctest):
#   scripts/screenshot.sh [BUILD_DIR] [OUT_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=${2:-$build/screenshots}
cmake --build "$build" --target kc_gui_screenshot >/dev/null
mkdir -p "$out"
# A real X server (not the offscreen platform), so fonts and styles render as on a desktop.
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tests/gui/kc_gui_screenshot" "$out"
