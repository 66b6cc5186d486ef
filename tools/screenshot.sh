#!/usr/bin/env bash
# Starts a program under a fresh virtual display, waits, and saves a screenshot of the whole screen.
# usage: tools/screenshot.sh OUTPUT.png [seconds] -- PROGRAM [ARGS...]
set -euo pipefail
out=$1; shift
wait=3
if [ "${1:-}" != "--" ]; then wait=$1; shift; fi
shift   # --
export LIBGL_ALWAYS_SOFTWARE=1
xvfb-run -a -s "-screen 0 1440x900x24 +extension GLX" bash -c '
  "$@" & pid=$!
  sleep '"$wait"'
  import -window root "'"$out"'"
  kill $pid; wait $pid 2>/dev/null || true' _ "$@"
