#!/usr/bin/env bash
# Decoding speed on a generated 24-hour drive at 1 Hz: ppcObrin3-cli stats side by side with
# gpsdecode (gpsd-clients) and gpsbabel (unicsv to /dev/null, TZ=UTC), with `cat` and a scan
# that only verifies every line's checksum as the floor. Reports, per tool, the best wall time
# of RUNS runs, CPU time, MB/s, fixes/s (the file's 1 Hz epochs) and peak memory.
#
#   BUILD_DIR=build RUNS=5 bash bench/decode-bench.sh [FILE]
#
# Builds nothing: BUILD_DIR must hold ppcObrin3-cli, zrv-gendrive and zrv-checksum-scan.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir="${BUILD_DIR:-build}"
runs="${RUNS:-3}"
cli="$build_dir/cli/ppcObrin3-cli"
gendrive="$build_dir/bench/zrv-gendrive"
scan="$build_dir/bench/zrv-checksum-scan"
for program in "$cli" "$gendrive" "$scan"; do
    if [ ! -x "$program" ]; then
        echo "decode-bench: $program is missing; build the project first" >&2
        exit 1
    fi
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
file="${1:-$build_dir/bench/drive-24h.txt}"
if [ ! -s "$file" ]; then
    mkdir -p "$(dirname "$file")"
    "$gendrive" --hours 24 --start "2026-05-01 07:30:00" -o "$file"
fi
minute="$work/drive-1min.txt"
"$gendrive" --seconds 60 --start "2026-05-01 07:30:00" -o "$minute"

bytes=$(stat -c %s "$file")
epochs=$(grep -c 'RMC,' "$file" || true)
points=$("$cli" stats --json "$file" | sed -n 's/.*"points":\([0-9]*\),.*/\1/p')

# measure NAME COMMAND...: runs the command RUNS times (stdin from $stdin_file, stdout to
# /dev/null), keeps the best wall time with its CPU time, and the largest peak RSS.
declare -A wall cpu rss
stdin_file=/dev/null
measure() {
    local name=$1
    shift
    local best="" best_cpu="" peak=0
    for _ in $(seq "$runs"); do
        /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" <"$stdin_file" >/dev/null
        read -r e u s m <"$work/time"
        if [ -z "$best" ] || awk -v a="$e" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$e
            best_cpu=$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.2f", u + s }')
        fi
        [ "$m" -gt "$peak" ] && peak=$m
    done
    wall[$name]=$best
    cpu[$name]=$best_cpu
    rss[$name]=$peak
}

measure "cat (floor)" cat "$file"
measure "checksum scan (floor)" "$scan" "$file"
measure "ppcObrin3-cli stats" "$cli" stats "$file"
if command -v gpsdecode >/dev/null; then
    stdin_file="$file"
    measure "gpsdecode" gpsdecode
    stdin_file=/dev/null
fi
if command -v gpsbabel >/dev/null; then
    measure "gpsbabel" env TZ=UTC gpsbabel -i nmea -f "$file" -o unicsv -F /dev/null
fi
runs=1 measure "stats, 1-minute file" "$cli" stats "$minute"

printf 'file: %s, %.1f MB, %d epochs (fixes), %d points stored by stats; best of %d runs\n' \
    "$file" "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')" "$epochs" "$points" "$runs"
printf '%-24s %8s %8s %9s %12s %9s %10s\n' tool "wall s" "cpu s" "MB/s" "fixes/s" "peak MB" \
    "stats is"
for name in "cat (floor)" "checksum scan (floor)" "ppcObrin3-cli stats" gpsdecode gpsbabel; do
    [ -n "${wall[$name]:-}" ] || continue
    awk -v n="$name" -v w="${wall[$name]}" -v c="${cpu[$name]}" -v m="${rss[$name]}" \
        -v b="$bytes" -v e="$epochs" -v s="${wall[ppcObrin3-cli stats]}" 'BEGIN {
        w0 = (w > 0.005 ? w : 0.005)
        printf "%-24s %8.2f %8.2f %9.1f %12.0f %9.1f %9.1fx\n", n, w, c, b / 1e6 / w0, e / w0,
               m / 1024, w0 / (s > 0.005 ? s : 0.005)
    }'
done
awk -v full="${rss[ppcObrin3-cli stats]}" -v small="${rss[stats, 1-minute file]}" \
    -v p="$points" 'BEGIN {
    printf "stats memory: %.0f bytes per stored point (peak RSS over points), %.0f bytes per point above the 1-minute run\n",
           full * 1024 / p, (full - small) * 1024 / p
}'
