#!/usr/bin/env bash
# Installs what building, running and testing Scribbet needs (Debian 12), then configures and builds.
# Usage: scripts/setup.sh [preset]   (preset: default or asan)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"

packages=(
    build-essential cmake ninja-build pkg-config ccache
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libsqlite3-dev sqlite3 libzip-dev libdeflate-dev zip unzip libarchive-tools
    fonts-liberation2
    libxcb1-dev
    xvfb xauth trayer xclip xdotool x11-utils trash-cli imagemagick python3
    desktop-file-utils libbenchmark-dev lintian appstream
    clang libclang-rt-14-dev
    dbus-x11 at-spi2-core python3-pyatspi openbox
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
