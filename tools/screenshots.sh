#!/usr/bin/env bash
# Walks the demo through its six steps on a virtual display and saves a screenshot of each.
# usage: tools/screenshots.sh [BUILD_DIR] [OUTPUT_DIR]
# Needs xvfb-run, xdotool and ImageMagick's import. Runs in about two and a half minutes, because
# the calibration, the audio check and the system response take their real time. The files the
# demo writes go into a temporary home folder, which is printed and left for inspection.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
out=${2:-$here/docs/screenshots}
demo=$build/OrmalixDemo_artefacts/Release/OrmalixDemo
[ -x "$demo" ] || { echo "no demo at $demo; build the OrmalixDemo target first" >&2; exit 1; }
mkdir -p "$out"
out=$(cd "$out" && pwd)

home=$(mktemp -d /tmp/ormalix-demo-home.XXXXXX)
export HOME=$home LIBGL_ALWAYS_SOFTWARE=1
echo "demo home: $home"

xvfb-run -a -s "-screen 0 1440x900x24 +extension GLX" bash -s "$demo" "$out" <<'EOF'
set -euo pipefail
demo=$1 out=$2
"$demo" > "$HOME/demo-stdout.txt" 2>&1 & pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

# Window coordinates; the window covers the whole screen.
step() { xdotool mousemove 47 $((30 + 40 * ($1 - 1))) click 1; }   # step button k at (15, 15 + 40k, 65, 30)
action() { xdotool mousemove 520 47 click 1; }                     # the action button at (470, 22, 100, 51)
shot() { xdotool mousemove 1430 890; sleep 0.5; import -window root "$out/$1"; echo "saved $1"; }
alive() { kill -0 $pid 2>/dev/null || { echo "the demo has died" >&2; exit 1; }; }

sleep 4; alive

step 2; sleep 3; shot step2.png
action; sleep 33; alive                 # the magnetometer calibration (30 s)

step 3; sleep 1; shot step3.png
action; sleep 12; alive                 # five one-second cycles of the audio check
shot step3-verdict.png

step 4; sleep 2; shot step4.png
action; sleep 20; alive                 # a measurement under way: dots and remaining time
shot step4-measuring.png
action; sleep 2                         # abort: the recording and its log are kept

step 5; sleep 2; shot step5.png
action; sleep 32; alive                 # the 30-second system response

step 6; sleep 1
action; sleep 4; alive                  # pack the newest files
shot step6.png

kill -TERM $pid; wait $pid || true
trap - EXIT
EOF
echo "files written by the demo:"
ls -l "$home/Documents"
