#!/usr/bin/env bash
# The live demo done from the window alone, under Xvfb (800x480), with no command-line step:
# Options... chooses the virtual port COM5:, Record / Serial... records from it, Open... loads
# the sample drive and Playback / Serial... plays it into COM5:, so the window records what it
# plays. Writes doc/screenshots/window-demo-*.png. Needs a build.
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
shot() { import -window root "$out/window-demo-\$1.png"; }
keys() { for k in "\$@"; do xdotool key "\$k"; sleep 0.3; done; }
menu() { # keys after Menu
    xdotool windowfocus --sync "\$win"
    xdotool key alt+m; sleep 0.5
    keys "\$@"
}
"$build_dir/app/ppcObrin3" & pid=\$!
for _ in \$(seq 150); do
    win=\$(xdotool search --onlyvisible --name "Velmora Recorder 3" | tail -1 || true)
    [ -n "\$win" ] && break
    sleep 0.2
done
xdotool windowsize "\$win" 800 480
sleep 2
# Options..., the Playback page, "Virtual COM Port:" COM5:, OK.
menu Up Up Up Return; sleep 1
keys ctrl+Tab alt+c Down Down Down Down Down Down; shot options; keys Return; sleep 2
# Record / Serial..., COM5: (beside it: the virtual port), OK: the recording starts.
menu r Down Return; sleep 1
keys alt+Down Down Down Down Down Down; sleep 0.5; shot select-serial-port; keys Return Return
sleep 2
# Open... the sample drive: it loads as the recorded track, shown in its track plot.
menu o; sleep 1.5
xdotool type --delay 20 "$sample"; keys Return; sleep 3
# Playback / Serial..., COM5:, OK; then Playback / Play and Speed Zoom x10.
menu p Down Return; sleep 1
keys alt+Down Down Down Down Down Down Return Return; sleep 2
menu p Down Down Down Return; sleep 1
menu p Up Right Down Down Down Return; sleep 40
# The menu tells both directions running.
menu; shot playing-and-recording; keys Escape
# Record from: stops the recording; kept, it opens as the recorded track.
menu Return; sleep 1; keys Return; sleep 4
shot recorded-copy
menu x; sleep 1
wait \$pid || true
SCRIPT
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 800x480x24" bash -x "$home/run.sh" 2> "$home.log" ||
    { tail -5 "$home.log"; exit 1; }
HOME="$home" XDG_CONFIG_HOME="$home/config" "$build_dir/cli/ppcObrin3-cli" vport deregister > /dev/null
cp "$home.log" /tmp/window-demo-trace.log
rm -rf "$home" "$home.log"
echo "Window demo screenshots in $out"
