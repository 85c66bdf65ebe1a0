#!/usr/bin/env bash
# Builds the programs without tests or benchmarks and makes the Debian package
# ppcobrin3_VERSION_ARCH.deb in the build folder, then checks it with lintian (when installed).
# Environment: BUILD_DIR (default build-package), JOBS (parallel builds, default all cores),
# ZRV_CMAKE_ARGS (extra CMake arguments).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${BUILD_DIR:-build-package}"
# shellcheck disable=SC2086 # ZRV_CMAKE_ARGS holds several arguments
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DZRV_BENCH=OFF ${ZRV_CMAKE_ARGS:-}
cmake --build "$build_dir" -j "${JOBS:-$(nproc)}"
(cd "$build_dir" && cpack -G DEB)
package=$(find "$build_dir" -maxdepth 1 -name 'ppcobrin3_*.deb' -newer "$build_dir/CPackConfig.cmake" | head -n 1)
if [ -z "$package" ]; then
    echo "package.sh: cpack made no ppcobrin3_*.deb in $build_dir" >&2
    exit 1
fi
if command -v lintian >/dev/null; then
    # Errors fail the script; warnings are shown.
    lintian --fail-on error "$package"
fi
echo "$package"
