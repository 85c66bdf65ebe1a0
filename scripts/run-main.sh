#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine, builds, makes the sample recording (a
# generated one-hour drive) and opens it in the window. Without a display the window runs
# under a virtual X server (Xvfb): a screenshot is saved to build/screenshot.png and the
# window is closed again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build_dir="${BUILD_DIR:-build}"
sample="$(bash scripts/sample-drive.sh "$build_dir")"
program="$build_dir/app/ppcObrin3"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$program" "$sample"
fi

screenshot="$build_dir/screenshot.png"
cat > "$build_dir/sample/headless-run.sh" <<SCRIPT
set -euo pipefail
"$program" "$sample" & pid=\$!
window=
for _ in \$(seq 150); do
    window=\$(xdotool search --onlyvisible --name 'sample-drive' | tail -1 || true)
    [ -n "\$window" ] && break
    sleep 0.2
done
sleep 2  # the one-hour sample is read by then
import -window root "$screenshot"
[ -n "\$window" ] && xdotool windowfocus --sync "\$window" key ctrl+q
wait \$pid
SCRIPT
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 480x640x24" bash "$build_dir/sample/headless-run.sh"
echo "No display: the window ran under Xvfb with $sample opened; its screenshot is $screenshot"
