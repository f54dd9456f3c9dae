#!/usr/bin/env bash
# Installs the Debian packages the project needs; quiet and quick when all are present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config clang-format
  libicu-dev libpcre2-dev zlib1g-dev libssl-dev libcurl4-openssl-dev libcpp-httplib-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # The windows: Qt 6 Widgets (with Qt Test), a font with Chinese characters, and an X server for the
  # screenshot script.
  qt6-base-dev fonts-wqy-microhei xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
