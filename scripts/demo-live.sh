#!/usr/bin/env bash
# A live recording without a receiver: registers the virtual serial port COM5: with the
# command-line companion, plays the sample recording into it (a burst a second, five seconds
# of the drive each), and starts the window recording from that port, so the statistics and
# the track grow as in a car.
# The demo keeps its settings, device folder and recordings in build/demo-home, never in the
# user's own. Without a display the window runs under Xvfb for DEMO_SECONDS (default 40),
# saves build/demo-live.png and is closed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build_dir="$(cd "${BUILD_DIR:-build}" && pwd)"
sample="$(bash scripts/sample-drive.sh "$build_dir")"
cli="$build_dir/cli/ppcObrin3-cli"
program="$build_dir/app/ppcObrin3"

export XDG_CONFIG_HOME="$build_dir/demo-home/config"
export XDG_DOCUMENTS_DIR="$build_dir/demo-home/Documents"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DOCUMENTS_DIR"

"$cli" vport register 5
"$cli" source serial COM5:
"$cli" play "$sample" --to COM5: --zoom 5 > "$build_dir/demo-home/play.log" &
player=$!
# The demo's port goes with the demo.
trap 'kill $player 2>/dev/null || true; wait $player 2>/dev/null || true; "$cli" vport deregister' EXIT

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    "$program" --record
    exit 0
fi

screenshot="$build_dir/demo-live.png"
cat > "$build_dir/demo-home/headless-run.sh" <<SCRIPT
set -euo pipefail
"$program" --record & pid=\$!
sleep "${DEMO_SECONDS:-40}"
import -window root "$screenshot"
window=\$(xdotool search --onlyvisible --name 'Track Recording' | tail -1 || true)
[ -n "\$window" ] && xdotool windowfocus --sync "\$window" key ctrl+q
sleep 1
# Closing while recording asks whether to keep the file: keep it.
xdotool key Return || true
wait \$pid
SCRIPT
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 480x640x24" bash "$build_dir/demo-home/headless-run.sh"
echo "No display: the window recorded from COM5: under Xvfb; its screenshot is $screenshot"
