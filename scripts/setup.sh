#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine, then configures and builds into build/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

packages=(g++ cmake ninja-build pkg-config
          qt6-base-dev qt6-qpa-plugins libpugixml-dev zlib1g-dev libpng-dev libjpeg-dev
          libgtest-dev libgmock-dev libbenchmark-dev libfftw3-dev
          xvfb xauth xdotool x11-utils x11-apps imagemagick openbox wmctrl fonts-dejavu-core
          dbus-daemon at-spi2-core libglib2.0-bin
          clang libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
