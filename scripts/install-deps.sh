#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the app need.
# Idempotent: quiet and quick when everything is already there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache pkg-config
    qt6-base-dev libgl-dev qt6-positioning-dev qt6-multimedia-dev qt6-image-formats-plugins
    qt6-qpa-plugins
    libsqlite3-dev libyajl-dev zlib1g-dev libpng-dev libjpeg-dev libwebp-dev libopencore-amrnb-dev libplist-dev libssl-dev
    libcpp-httplib-dev libhttp-parser-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    fonts-wqy-microhei
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
