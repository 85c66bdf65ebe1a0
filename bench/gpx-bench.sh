#!/usr/bin/env bash
# GPX speed and memory on a generated 24-hour drive at 1 Hz, each side measured in the same run:
# - export: `ppcObrin3-cli gpx`, end to end from the record file, against
#   `TZ=UTC gpsbabel -i nmea -f FILE -o gpx -F OUT`;
# - import of our own GPX export: `ppcObrin3-cli import` (the track and its statistics)
#   against `gpsbabel -t -i gpx` reading the same file (to /dev/null through unicsv).
# Reports the best wall time of RUNS runs and the peak memory of each, and the ratios. The
# export streams: its peak memory stays the same for a day and for an hour.
#
#   BUILD_DIR=build RUNS=3 bash bench/gpx-bench.sh [FILE]
#
# Builds nothing: BUILD_DIR must hold ppcObrin3-cli and bench/zrv-gendrive (or build the
# gpx-bench target, which builds them and runs this).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir="${BUILD_DIR:-build}"
runs="${RUNS:-3}"
cli="$build_dir/cli/ppcObrin3-cli"
gendrive="${GENDRIVE:-$build_dir/bench/zrv-gendrive}"
for program in "$cli" "$gendrive"; do
    if [ ! -x "$program" ]; then
        echo "gpx-bench: $program is missing; build the project first" >&2
        exit 1
    fi
done
if ! command -v gpsbabel >/dev/null; then
    echo "gpx-bench: gpsbabel is not installed" >&2
    exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Settings and store of the run stay in the work folder.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DOCUMENTS_DIR="$work/home/docs"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DOCUMENTS_DIR"

file="${1:-$build_dir/bench/drive-24h.txt}"
if [ ! -s "$file" ]; then
    mkdir -p "$(dirname "$file")"
    "$gendrive" --hours 24 --start "2026-05-01 07:30:00" -o "$file"
fi
hour="$work/drive-1h.txt"
"$gendrive" --hours 1 --start "2026-05-01 07:30:00" -o "$hour"

declare -A wall rss
# measure NAME COMMAND...: best wall time of RUNS runs, largest peak RSS.
measure() {
    local name=$1
    shift
    local best="" peak=0
    for _ in $(seq "$runs"); do
        /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null
        read -r e m <"$work/time"
        if [ -z "$best" ] || awk -v a="$e" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$e
        fi
        [ "$m" -gt "$peak" ] && peak=$m
    done
    wall[$name]=$best
    rss[$name]=$peak
}

names=("cli gpx (1 hour)" "cli gpx (24 hours)" "gpsbabel nmea->gpx" "cli import (our GPX)"
    "gpsbabel -i gpx (our GPX)")
measure "${names[0]}" "$cli" gpx "$hour" "$work/hour.gpx"
measure "${names[1]}" "$cli" gpx "$file" "$work/ours.gpx"
measure "${names[2]}" env TZ=UTC gpsbabel -i nmea -f "$file" -o gpx -F "$work/theirs.gpx"
measure "${names[3]}" "$cli" import "$work/ours.gpx"
measure "${names[4]}" gpsbabel -t -i gpx -f "$work/ours.gpx" -o unicsv -F /dev/null

echo "file: $file ($(stat -c %s "$file") bytes); our GPX $(stat -c %s "$work/ours.gpx") bytes," \
    "gpsbabel's GPX $(stat -c %s "$work/theirs.gpx") bytes"
printf '%-28s %10s %12s\n' tool "wall s" "peak RSS KB"
for name in "${names[@]}"; do
    printf '%-28s %10s %12s\n' "$name" "${wall[$name]}" "${rss[$name]}"
done
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1fx", (b > 0 ? a / b : 0) }'; }
echo "export: $(ratio "${wall[gpsbabel nmea->gpx]}" "${wall[cli gpx (24 hours)]}") faster than gpsbabel (target 5x)"
echo "import: $(ratio "${wall[gpsbabel -i gpx (our GPX)]}" "${wall[cli import (our GPX)]}") faster than gpsbabel"
echo "export memory: $(ratio "${rss[cli gpx (24 hours)]}" "${rss[cli gpx (1 hour)]}") of the one-hour peak for 24 times the file"
