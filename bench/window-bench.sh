#!/usr/bin/env bash
# The window opening a 24-hour and a 10-day recording (1 Hz): the longest event-loop gap
# while loading and the resident memory with the track loaded.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${BUILD_DIR:-build}"
data="$build_dir/bench-data"
mkdir -p "$data"
[ -s "$data/drive-24h.txt" ] ||
    "$build_dir/bench/zrv-gendrive" --hours 24 --start "2026-05-01 00:00:00" -o "$data/drive-24h.txt"
[ -s "$data/drive-10d.txt" ] ||
    "$build_dir/bench/zrv-gendrive" --hours 240 --start "2026-05-01 00:00:00" -o "$data/drive-10d.txt"
for file in "$data/drive-24h.txt" "$data/drive-10d.txt"; do
    "$build_dir/app/zrv-window-bench" "$file"
done
