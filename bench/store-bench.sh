#!/usr/bin/env bash
# The navigation store at size: a generated store of 100,000 waypoints and 1,000 routes.
# Side by side in one run: gpsbabel reading the file (TZ=UTC gpsbabel -i nmea -f STORE -o gpx
# -F /dev/null), ppcObrin3-cli loading it (store routes), loading it and listing the nearest
# of all waypoints, and importing it into an empty store (load and save); then the in-process
# benchmark zrv-store-bench (load, save, nearest "All" on 10,000 and 100,000 waypoints, and the
# straightforward versions on 10,000). Best of RUNS runs by CPU time (user + system; on a
# shared machine the wall time also counts other programs), with its wall time, and peak
# memory; the comparison with gpsbabel is by CPU time.
#
#   BUILD_DIR=build RUNS=3 bash bench/store-bench.sh
#
# Builds nothing: BUILD_DIR must hold ppcObrin3-cli, zrv-genstore and zrv-store-bench.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir="${BUILD_DIR:-build}"
runs="${RUNS:-3}"
cli="$build_dir/cli/ppcObrin3-cli"
genstore="$build_dir/bench/zrv-genstore"
storebench="$build_dir/bench/zrv-store-bench"
for program in "$cli" "$genstore" "$storebench"; do
    if [ ! -x "$program" ]; then
        echo "store-bench: $program is missing; build the project first" >&2
        exit 1
    fi
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The companion's settings and documents stay inside the work folder.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DOCUMENTS_DIR="$work/home/Documents"
mkdir -p "$work/store" "$work/import"
file="$work/store/NaviStor.zrv"
"$genstore" --waypoints 100000 --routes 1000 -o "$file"

declare -A wall cpu rss
measure() {
    local name=$1
    shift
    local best="" best_wall="" peak=0
    for _ in $(seq "$runs"); do
        [ -z "${before:-}" ] || eval "$before"
        /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >/dev/null
        read -r e u s m <"$work/time"
        local c
        c=$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.2f", u + s }')
        if [ -z "$best" ] || awk -v a="$c" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$c
            best_wall=$e
        fi
        [ "$m" -gt "$peak" ] && peak=$m
    done
    cpu[$name]=$best
    wall[$name]=$best_wall
    rss[$name]=$peak
}

if command -v gpsbabel >/dev/null; then
    measure "gpsbabel reads the store" env TZ=UTC gpsbabel -i nmea -f "$file" -o gpx -F /dev/null
fi
measure "cli: load" "$cli" store --file "$file" routes
measure "cli: load + nearest all" "$cli" store --file "$file" nearest 48.2 16.4 all
before='rm -f "$work"/import/*' measure "cli: import + save" \
    "$cli" store --file "$work/import/NaviStor.zrv" import "$file"

printf 'store: %s, %.1f MB, %d waypoints, %d routes; best of %d runs\n' "$file" \
    "$(awk -v b="$(stat -c %s "$file")" 'BEGIN { print b / 1e6 }')" \
    "$(grep -c 'WPL,' "$file")" "$("$cli" store --file "$file" routes | tail -n +2 | wc -l)" "$runs"
printf '%-28s %8s %8s %9s %16s\n' run "cpu s" "wall s" "peak MB" "vs gpsbabel"
for name in "gpsbabel reads the store" "cli: load" "cli: load + nearest all" "cli: import + save"; do
    [ -n "${cpu[$name]:-}" ] || continue
    awk -v n="$name" -v c="${cpu[$name]}" -v w="${wall[$name]}" -v m="${rss[$name]}" \
        -v g="${cpu[gpsbabel reads the store]:-}" \
        'BEGIN { r = (g != "" && c > 0) ? sprintf("%.1fx faster", g / c) : "-";
                 printf "%-28s %8.2f %8.2f %9.1f %16s\n", n, c, w, m / 1024, r }'
done
echo
"$storebench" --benchmark_min_time=0.2
