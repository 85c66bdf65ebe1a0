#!/usr/bin/env bash
# Builds the fuzz tree with clang (every library instrumented for coverage, AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each libFuzzer target for SECONDS (default 60), one
# after the other. Prints one line per target: executions, coverage, and any finding with the
# input that caused it. Exits 1 when any target found something.
#
# Usage: scripts/fuzz.sh [SECONDS]
# Environment: FUZZ_BUILD_DIR (default build-fuzz), ZRV_FUZZ_WORK (where the grown corpora,
# logs and findings are kept; default ~/.cache/zrv-fuzz, outside the repository),
# ZRV_CMAKE_ARGS (extra CMake arguments).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: scripts/fuzz.sh [SECONDS]" >&2
    exit 2
fi

build_dir="${FUZZ_BUILD_DIR:-build-fuzz}"
work="${ZRV_FUZZ_WORK:-${XDG_CACHE_HOME:-$HOME/.cache}/zrv-fuzz}"

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# shellcheck disable=SC2086
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZRV_FUZZ=ON -DZRV_APP=OFF -DZRV_BENCH=OFF "${launcher[@]}" ${ZRV_CMAKE_ARGS:-} >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target fuzz_targets >/dev/null

# The last value libFuzzer printed for a field ("cov: 812", "ft: 2301"); empty when none, as
# after an early crash.
last_field() {
    { grep -oE "$1: [0-9]+" "$2" || true; } | tail -n 1 | awk '{print $2}'
}

failed=0
while read -r binary seeds; do
    [ -n "$binary" ] || continue
    name="$(basename "$binary")"
    corpus="$work/corpus/$name"
    log="$work/logs/$name.log"
    mkdir -p "$corpus" "$work/logs" "$work/findings"
    findings="$(mktemp -d "$work/findings/$name.XXXXXX")"
    status=0
    "$binary" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/" "$corpus" "$seeds" >"$log" 2>&1 || status=$?

    line="$(printf '%-20s %10s execs  cov %5s  ft %6s' "$name" \
        "$(last_field stat::number_of_executed_units "$log")" "$(last_field cov "$log")" \
        "$(last_field ft "$log")")"
    input="$(find "$findings" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
        -o -name 'oom-*' \) | head -n 1)"
    if [ -n "$input" ]; then
        failed=1
        echo "$line  FINDING $input ($(head -c 48 "$input" | base64 -w 0))"
    elif [ "$status" -ne 0 ]; then
        failed=1
        echo "$line  FAILED with exit $status, see $log"
    else
        rmdir "$findings"
        echo "$line  no finding"
    fi
done <"$build_dir/fuzz-targets.txt"
exit "$failed"
