#!/usr/bin/env bash
# Prints the path of the project's sample recording, a generated one-hour drive, in the build
# directory BUILD (default build); makes it first when it is missing. Needs a build.
set -euo pipefail
build_dir="${1:-build}"
sample="$build_dir/sample/sample-drive.txt"
if [ ! -s "$sample" ]; then
    mkdir -p "$(dirname "$sample")"
    "$build_dir/bench/zrv-gendrive" --hours 1 --start "2026-05-01 07:30:00" -o "$sample" >&2
fi
echo "$sample"
