#!/usr/bin/env bash
# Installs the Debian packages the project needs (when missing), configures and builds.
# Environment: BUILD_DIR (default build), ZRV_CMAKE_ARGS (extra CMake arguments).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    build-essential cmake pkg-config clang clang-format libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    zlib1g-dev libminizip-dev libbluetooth-dev
    gpsd gpsd-clients gpsbabel python3-gpxpy lintian libxml2-utils locales
    qt6-base-dev fonts-dejavu-core xvfb xauth xdotool imagemagick xdg-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo_cmd=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 update -qq
    "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

build_dir="${BUILD_DIR:-build}"
# shellcheck disable=SC2086
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${ZRV_CMAKE_ARGS:-}
cmake --build "$build_dir" -j "$(nproc)"
