#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine, builds, makes the sample recording (a
# generated one-hour drive) and prints its statistics with the command-line companion.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build_dir="${BUILD_DIR:-build}"
sample="$build_dir/sample/sample-drive.txt"
mkdir -p "$(dirname "$sample")"
if [ ! -s "$sample" ]; then
    "$build_dir/bench/zrv-gendrive" --hours 1 --start "2026-05-01 07:30:00" -o "$sample"
fi
"$build_dir/cli/ppcObrin3-cli" stats "$sample" --units km
