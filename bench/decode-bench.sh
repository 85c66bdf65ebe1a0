#!/usr/bin/env bash
# Decoding and loading speed on two generated 24-hour drives at 1 Hz: one whose receiver reports
# its sky every fifth second (the project's usual day) and one that sends its GSV sentences
# every second, as most receivers do. Side by side on each day: ppcObrin3-cli stats,
# gpsdecode (gpsd-clients), gpsbabel (unicsv to /dev/null), the load into track 1
# through the playback reader (zrv-load-bench, what `play` does before its first burst), with
# `cat` and a scan that only verifies every line's checksum as the floor. With BEFORE_DIR, the
# stats and the load of that other build run in the same rounds.
#
# The tools run in turn, round after round (RUNS rounds), so that the load of a shared machine
# falls on all of them alike; the table shows each tool's median wall time, its CPU time in that
# run and its peak memory. With COUNT=1 (the default) every tool also runs once under
# valgrind's cachegrind on a COUNT_HOURS-hour day of the same kind (default 3: the full day
# under valgrind takes minutes per tool), and its instruction count is the repeatable measure.
#
#   BUILD_DIR=build RUNS=5 COUNT=1 COUNT_HOURS=3 BEFORE_DIR=/path/to/old/build \
#       bash bench/decode-bench.sh
#
# Builds nothing: BUILD_DIR (and BEFORE_DIR) must hold ppcObrin3-cli, zrv-gendrive,
# zrv-checksum-scan and zrv-load-bench.
set -euo pipefail
cd "$(dirname "$0")/.."
# gpsbabel writes its times in UTC; the project's own tools keep the receiver's calendar anyway.
export TZ=UTC

build_dir="${BUILD_DIR:-build}"
before_dir="${BEFORE_DIR:-}"
runs="${RUNS:-5}"
count="${COUNT:-1}"
count_hours="${COUNT_HOURS:-3}"
cli="$build_dir/cli/ppcObrin3-cli"
gendrive="$build_dir/bench/zrv-gendrive"
scan="$build_dir/bench/zrv-checksum-scan"
load="$build_dir/bench/zrv-load-bench"
programs=("$cli" "$gendrive" "$scan" "$load")
if [ -n "$before_dir" ]; then
    programs+=("$before_dir/cli/ppcObrin3-cli" "$before_dir/bench/zrv-load-bench")
fi
for program in "${programs[@]}"; do
    if [ ! -x "$program" ]; then
        echo "decode-bench: $program is missing; build the project first" >&2
        exit 1
    fi
done
if [ "$count" = 1 ] && ! command -v valgrind >/dev/null; then
    echo "decode-bench: valgrind is missing; instruction counts are left out" >&2
    count=0
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$build_dir/bench"
day5="$build_dir/bench/drive-24h.txt"
day1="$build_dir/bench/drive-24h-gsv1.txt"
[ -s "$day5" ] || "$gendrive" --hours 24 --start "2026-05-01 07:30:00" -o "$day5"
[ -s "$day1" ] || "$gendrive" --hours 24 --start "2026-05-01 07:30:00" --gsv-every 1 -o "$day1"
count5="$work/drive-count-gsv5.txt"
count1="$work/drive-count-gsv1.txt"
if [ "$count" = 1 ]; then
    "$gendrive" --hours "$count_hours" --start "2026-05-01 07:30:00" -o "$count5"
    "$gendrive" --hours "$count_hours" --start "2026-05-01 07:30:00" --gsv-every 1 -o "$count1"
fi
minute="$work/drive-1min.txt"
"$gendrive" --seconds 60 --start "2026-05-01 07:30:00" -o "$minute"

# The tools of one day: a name, then the command; FILE stands for the day's file, and a command
# whose first word is "<" reads the file on its standard input.
tools=(
    "cat (floor)|cat FILE"
    "checksum scan (floor)|$scan FILE"
    "stats|$cli stats FILE"
    "load into track 1|$load FILE"
)
if [ -n "$before_dir" ]; then
    tools+=("stats, before|$before_dir/cli/ppcObrin3-cli stats FILE"
        "load, before|$before_dir/bench/zrv-load-bench FILE")
fi
command -v gpsdecode >/dev/null && tools+=("gpsdecode|< gpsdecode")
command -v gpsbabel >/dev/null &&
    tools+=("gpsbabel|gpsbabel -i nmea -f FILE -o unicsv -F /dev/null")

# prepare ENTRY FILE: sets `argv` to the tool's command on the file and `input` to what it reads
# on its standard input.
prepare() {
    local command=${1#*|}
    input=/dev/null
    if [[ $command == "< "* ]]; then
        input=$2
        command=${command#< }
    fi
    read -r -a argv <<<"${command//FILE/$2}"
}

median() {
    sort -g | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

bench_day() {
    local label=$1 file=$2 count_file=$3
    local bytes epochs points
    bytes=$(stat -c %s "$file")
    epochs=$(grep -c 'RMC,' "$file" || true)
    points=$("$cli" stats --json "$file" | sed -n 's/.*"points":\([0-9]*\),.*/\1/p')
    : >"$work/times"
    for round in $(seq "$runs"); do
        for entry in "${tools[@]}"; do
            local name=${entry%%|*}
            prepare "$entry" "$file"
            /usr/bin/time -f "%e %U %S %M" -o "$work/time" "${argv[@]}" <"$input" >/dev/null
            read -r e u s m <"$work/time"
            echo "$name|$round|$e|$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')|$m" \
                >>"$work/times"
        done
    done

    printf '\n%s: %s, %.1f MB, %d epochs, %d points stored by stats; median of %d rounds\n' \
        "$label" "$file" "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')" "$epochs" "$points" \
        "$runs"
    [ "$count" = 1 ] && printf 'instructions: under cachegrind, on the %s-hour day of this kind\n' \
        "$count_hours"
    printf '%-24s %7s %7s %7s %8s %8s %8s %15s %8s\n' tool "wall s" "cpu s" "MB/s" "peak MB" \
        "wall x" "cpu x" "instructions" "instr x"
    echo "(x: the tool's median over the median of stats)"
    local stats_wall stats_cpu stats_instructions=0
    stats_wall=$(grep '^stats|' "$work/times" | cut -d'|' -f3 | median)
    stats_cpu=$(grep '^stats|' "$work/times" | cut -d'|' -f4 | median)
    for entry in "${tools[@]}"; do
        local name=${entry%%|*} wall cpu peak instructions="-"
        wall=$(grep "^$name|" "$work/times" | cut -d'|' -f3 | median)
        cpu=$(grep "^$name|" "$work/times" | cut -d'|' -f4 | median)
        peak=$(grep "^$name|" "$work/times" | cut -d'|' -f5 | sort -g | tail -1)
        if [ "$count" = 1 ] && [[ $name != *floor* ]]; then
            prepare "$entry" "$count_file"
            valgrind --tool=cachegrind --cache-sim=no --cachegrind-out-file=/dev/null \
                --log-file="$work/cachegrind" "${argv[@]}" <"$input" >/dev/null 2>&1
            instructions=$(sed -n 's/.*I *refs: *\([0-9,]*\).*/\1/p' "$work/cachegrind")
            [ "$name" = stats ] && stats_instructions=${instructions//,/}
        fi
        awk -v n="$name" -v w="$wall" -v c="$cpu" -v m="$peak" -v b="$bytes" -v s="$stats_wall" \
            -v sc="$stats_cpu" -v i="$instructions" -v si="$stats_instructions" 'BEGIN {
            w0 = (w > 0.005 ? w : 0.005)
            c0 = (c > 0.005 ? c : 0.005)
            ix = "-"
            if (i != "-" && si > 0) { gsub(",", "", i); ix = sprintf("%.1fx", i / si) }
            printf "%-24s %7.2f %7.2f %7.1f %8.1f %7.1fx %7.1fx %15s %8s\n", n, w, c,
                   b / 1e6 / w0, m / 1024, w0 / (s > 0.005 ? s : 0.005),
                   c0 / (sc > 0.005 ? sc : 0.005), i, ix
        }'
    done
    if [ "$file" = "$day5" ]; then
        local full small
        full=$(grep '^stats|' "$work/times" | cut -d'|' -f5 | sort -g | tail -1)
        /usr/bin/time -f "%M" -o "$work/time" "$cli" stats "$minute" >/dev/null
        small=$(cat "$work/time")
        awk -v full="$full" -v small="$small" -v p="$points" 'BEGIN {
            printf "stats memory: %.0f bytes per stored point (peak RSS over points), %.0f bytes per point above the 1-minute run\n",
                   full * 1024 / p, (full - small) * 1024 / p
        }'
    fi
}

bench_day "GSV every fifth second" "$day5" "$count5"
bench_day "GSV every second" "$day1" "$count1"
