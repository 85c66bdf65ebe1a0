#!/usr/bin/env bash
# Makes the Debian package from the build folder, unpacks it into an empty root and runs the
# companion from there: the statistics of the installed sample, and a virtual serial port
# whose driver and host must come from the unpacked tree. Exits 77 (skipped) without cpack or
# dpkg-deb.
# Usage: UnpackedPackageTest.sh BUILD_DIR
set -euo pipefail
build_dir=$1
for tool in cpack dpkg-deb; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed"
        exit 77
    fi
done

work=$(mktemp -d)
companion() {
    env -u ZRV_DRIVER_DIR HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" \
        XDG_DOCUMENTS_DIR="$work/home/Documents" "$work/root/usr/bin/ppcObrin3-cli" "$@"
}
finish() {
    companion vport deregister >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap finish EXIT

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

cpack -G DEB -B "$work/package" --config "$build_dir/CPackConfig.cmake" >"$work/cpack.log" ||
    { cat "$work/cpack.log"; fail "cpack"; }
packages=("$work/package"/ppcobrin3_*_*.deb)
[ -f "${packages[0]}" ] || fail "no ppcobrin3_VERSION_ARCH.deb in $(ls "$work/package")"
mkdir -p "$work/root" "$work/home"
dpkg-deb -x "${packages[0]}" "$work/root"

sample="$work/root/usr/share/doc/ppcobrin3/sample-drive.txt"
stats=$(companion stats "$sample") || fail "stats: $stats"
grep -Eq '^  Points: [1-9][0-9]*$' <<<"$stats" || fail "stats printed: $stats"

registered=$(companion vport register 7) || fail "vport register: $registered"
grep -q '^COM7: registered' <<<"$registered" || fail "vport register printed: $registered"
status=$(companion vport status)
pid=$(sed -n 's/.*serving.* pid=\([0-9]*\).*/\1/p' <<<"$status")
[ -n "$pid" ] || fail "no host serves the port: $status"
host=$(readlink "/proc/$pid/exe")
[ "$host" = "$work/root/usr/libexec/ppcobrin3/ppcZRV3DeviceHost" ] ||
    fail "the port is served by $host, not by the unpacked host"
grep -q "$work/root/usr/libexec/ppcobrin3/libppcZRV3SerialDrv.so" "/proc/$pid/maps" ||
    fail "the host did not load the unpacked driver"
[ -L "$work/home/config/Velmora Records2009/devices/COM7:" ] || fail "no COM7: in the device folder"
echo "stats and vport register ran from the unpacked package"
