#!/usr/bin/env bash
# Takes the manual's screenshots of the five driving views at 480x640 and 800x480 under Xvfb:
# the recorded views from a real receiver log (LOG, default the shared corpus' bundg_zeus_9.log),
# the live views and route guidance (to a Man Overboard point) from the demo's live recording;
# then the window filling screens of 320x240, 480x640 and 800x480 (no window manager), with the
# waypoint list and the options at 320x240. Writes doc/screenshots/*.png. Needs a build
# (scripts/setup.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="$(cd "${BUILD_DIR:-build}" && pwd)"
log="${1:-$(pwd)/../shared/corpus/nmea/bundg_zeus_9.log}"
out="$(pwd)/doc/screenshots"
# SMALL_ONLY=1 takes only the small-screen set, which needs no sample drive.
[ "${SMALL_ONLY:-}" = 1 ] || sample="$(bash scripts/sample-drive.sh "$build_dir")"
mkdir -p "$out"

shoot() { # size
    local size=$1 w=${1%x*} h=${1#*x} home
    home=$(mktemp -d)
    cat > "$home/run.sh" <<SCRIPT
set -euo pipefail
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DOCUMENTS_DIR="$home/Documents"
mkdir -p "\$XDG_CONFIG_HOME" "\$XDG_DOCUMENTS_DIR"
cli="$build_dir/cli/ppcObrin3-cli"
program="$build_dir/app/ppcObrin3"
window() { # title part
    local found=
    for _ in \$(seq 150); do
        found=\$(xdotool search --onlyvisible --name "\$1" | tail -1 || true)
        [ -n "\$found" ] && break
        sleep 0.2
    done
    xdotool windowfocus --sync "\$found"
    echo "\$found"
}
"\$program" "$log" & pid=\$!
win=\$(window "$(basename "$log")")
sleep 3
import -window root "$out/recorded-track-$size.png"
xdotool key Right; sleep 1
import -window root "$out/recorded-altitude-$size.png"
xdotool key ctrl+q; wait \$pid

"\$cli" vport register 5 > /dev/null
trap '"\$cli" vport deregister > /dev/null' EXIT
"\$cli" source serial COM5: > /dev/null
"\$cli" play "$sample" --to COM5: --zoom 5 --from begin > /dev/null & player=\$!
"\$program" --record & pid=\$!
win=\$(window "Track Recording")
sleep 45
import -window root "$out/recording-track-$size.png"
xdotool key Right; sleep 2
import -window root "$out/recording-altitude-$size.png"
# Menu / Destinations / Man Overboard(MOB): guidance back to the point, while driving on.
xdotool key alt+m; sleep 0.5; xdotool key d; sleep 0.5; xdotool key o
sleep 20
import -window root "$out/route-guidance-$size.png"
xdotool key ctrl+q; sleep 1; xdotool key n
wait \$pid || true
kill \$player || true; wait \$player || true
SCRIPT
    env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 ${size}x24" bash -x "$home/run.sh" 2> "$home.log" || { tail -5 "$home.log"; exit 1; }
    rm -rf "$home"
}

small() { # size: the window fills the screen; at 320x240 two dialogs as well
    local size=$1 home
    home=$(mktemp -d)
    cat > "$home/run.sh" <<SCRIPT
set -euo pipefail
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DOCUMENTS_DIR="$home/Documents"
mkdir -p "\$XDG_CONFIG_HOME" "\$XDG_DOCUMENTS_DIR"
"$build_dir/app/ppcObrin3" "$log" & pid=\$!
for _ in \$(seq 150); do
    win=\$(xdotool search --onlyvisible --name "$(basename "$log")" | tail -1 || true)
    [ -n "\$win" ] && break
    sleep 0.2
done
sleep 3
import -window root "$out/screen-$size.png"
if [ $size = 320x240 ]; then
    xdotool windowfocus --sync "\$win"
    # Menu / Destinations / Waypoints / Waypoint List...
    xdotool key alt+m; sleep 0.5; xdotool key d; sleep 0.5; xdotool key w; sleep 0.5
    xdotool key l; sleep 1.5
    import -window root "$out/dialog-waypoint-list-$size.png"
    xdotool key Escape; sleep 0.5
    xdotool windowfocus --sync "\$win"
    xdotool key alt+m; sleep 0.5; xdotool key Up Up Up Return; sleep 1.5
    import -window root "$out/dialog-options-$size.png"
    xdotool key Escape; sleep 0.5
fi
xdotool windowfocus --sync "\$win"
xdotool key ctrl+q; wait \$pid
SCRIPT
    env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 ${size}x24" bash -x "$home/run.sh" 2> "$home.log" || { tail -5 "$home.log"; exit 1; }
    rm -rf "$home" "$home.log"
}

if [ "${SMALL_ONLY:-}" != 1 ]; then
    shoot 480x640
    shoot 800x480
fi
small 320x240
small 480x640
small 800x480
echo "Screenshots in $out"
