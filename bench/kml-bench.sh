#!/usr/bin/env bash
# KML speed on a generated 24-hour drive at 1 Hz, each side measured in the same run:
# - export, speed-coloured: `ppcObrin3-cli kml` to KML and to KMZ, end to end from the record
#   file, against `TZ=UTC gpsbabel -i nmea -f FILE -o kml -F OUT`;
# - import of our own KML export: `ppcObrin3-cli import` (lines into a track) against
#   `gpsbabel -i kml` reading the same file (to /dev/null through unicsv).
# Reports the best wall time of RUNS runs and the peak memory of each, and the ratios.
#
#   BUILD_DIR=build RUNS=3 bash bench/kml-bench.sh [FILE]
#
# Builds nothing: BUILD_DIR must hold ppcObrin3-cli and bench/zrv-gendrive.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir="${BUILD_DIR:-build}"
runs="${RUNS:-3}"
cli="$build_dir/cli/ppcObrin3-cli"
gendrive="${GENDRIVE:-$build_dir/bench/zrv-gendrive}"
for program in "$cli" "$gendrive"; do
    if [ ! -x "$program" ]; then
        echo "kml-bench: $program is missing; build the project first" >&2
        exit 1
    fi
done
if ! command -v gpsbabel >/dev/null; then
    echo "kml-bench: gpsbabel is not installed" >&2
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

measure "cli kml (KML)" "$cli" kml "$file" "$work/ours.kml" --absolute
measure "cli kml (KMZ)" "$cli" kml "$file" "$work/ours.kmz" --absolute
measure "gpsbabel nmea->kml" env TZ=UTC gpsbabel -i nmea -f "$file" -o kml -F "$work/theirs.kml"
measure "cli import (our KML)" "$cli" import "$work/ours.kml"
measure "gpsbabel -i kml (our KML)" gpsbabel -i kml -f "$work/ours.kml" -o unicsv -F /dev/null

echo "file: $file ($(stat -c %s "$file") bytes); our KML $(stat -c %s "$work/ours.kml") bytes," \
    "KMZ $(stat -c %s "$work/ours.kmz") bytes, gpsbabel's KML $(stat -c %s "$work/theirs.kml") bytes"
printf '%-28s %10s %12s\n' tool "wall s" "peak RSS KB"
for name in "cli kml (KML)" "cli kml (KMZ)" "gpsbabel nmea->kml" "cli import (our KML)" \
    "gpsbabel -i kml (our KML)"; do
    printf '%-28s %10s %12s\n' "$name" "${wall[$name]}" "${rss[$name]}"
done
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1fx", (b > 0 ? a / b : 0) }'; }
echo "export KML: $(ratio "${wall[gpsbabel nmea->kml]}" "${wall[cli kml (KML)]}") faster than gpsbabel (target 3x)"
echo "export KMZ: $(ratio "${wall[gpsbabel nmea->kml]}" "${wall[cli kml (KMZ)]}") faster than gpsbabel (target 3x)"
echo "import:     $(ratio "${wall[gpsbabel -i kml (our KML)]}" "${wall[cli import (our KML)]}") faster than gpsbabel (target 3x)"
