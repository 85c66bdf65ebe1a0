#!/usr/bin/env bash
# The manual's navigation walk-through, done in the window under Xvfb (800x480) while the demo
# plays the sample drive into the virtual port COM5: in real time: two positions are marked with averaging
# on the way out (they collect in the route of the recording), the drive is played again from
# its start, and the route is followed with Go Along while the route-guidance view advances
# from the first waypoint to the second. Writes doc/screenshots/walk-*.png. Needs a build.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="$(cd "${BUILD_DIR:-build}" && pwd)"
out="$(pwd)/doc/screenshots"
sample="$(bash scripts/sample-drive.sh "$build_dir")"
mkdir -p "$out"
home=$(mktemp -d)
cat > "$home/run.sh" <<SCRIPT
set -euo pipefail
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DOCUMENTS_DIR="$home/Documents"
mkdir -p "\$XDG_CONFIG_HOME" "\$XDG_DOCUMENTS_DIR"
cli="$build_dir/cli/ppcObrin3-cli"
shot() { import -window root "$out/walk-\$1.png"; }
menu() { # keys after Menu
    xdotool windowfocus --sync "\$win"
    xdotool key alt+m; sleep 0.4
    for k in "\$@"; do xdotool key "\$k"; sleep 0.3; done
}
"\$cli" vport register 5 > /dev/null
"\$cli" source serial COM5: > /dev/null
"\$cli" play "$sample" --to COM5: --zoom 1 --from begin > /dev/null & player=\$!
trap 'kill \$player 2>/dev/null || true; "\$cli" vport deregister > /dev/null' EXIT
"$build_dir/app/ppcObrin3" --record & pid=\$!
for _ in \$(seq 150); do
    win=\$(xdotool search --onlyvisible --name "Track Recording" | tail -1 || true)
    [ -n "\$win" ] && break
    sleep 0.2
done
xdotool windowsize "\$win" 800 480
# The drive leaves after half a minute; both positions are marked on the road.
sleep 38
# Destinations / Marking a Position...: four seconds of averaging, then OK.
menu d Down Return; sleep 4; shot mark-position; xdotool key Return
sleep 25
menu d Down Return; sleep 4; xdotool key Return
sleep 2
# Destinations / Routes / Route List..., then the route's waypoints.
menu d Down Down Down Right Return; sleep 1
xdotool key Menu; sleep 0.4; xdotool key s; sleep 1; shot route-waypoints
xdotool key Escape; sleep 0.5
# The drive again from its start, and Go Along the route.
kill \$player; wait \$player || true
"\$cli" play "$sample" --to COM5: --zoom 1 --from begin > /dev/null & player=\$!
xdotool windowfocus --sync "\$(xdotool search --onlyvisible --name "Route List" | tail -1)"
xdotool key Menu; sleep 0.4; xdotool key a; sleep 0.5; xdotool key Escape
# Towards the first waypoint, then (advanced) towards the second, then arrived there.
sleep 24; shot guidance-first
sleep 16; shot guidance-second
sleep 24; shot guidance-end
menu x; sleep 1
# Closing while recording asks whether to keep the file: no.
xdotool key n || true
wait \$pid || true
SCRIPT
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 800x480x24" bash -x "$home/run.sh" 2> "$home.log" ||
    { tail -5 "$home.log"; exit 1; }
rm -rf "$home" "$home.log"
echo "Walk-through screenshots in $out"
