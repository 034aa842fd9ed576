#!/usr/bin/env bash
# Starts scope in a virtual X server, waits for its window, takes a screenshot, closes the window
# with the window manager's close request and checks that the program ends cleanly.
set -euo pipefail
bin=$1
out=${2:-/tmp/e2e}
mkdir -p "$out"
. "$(dirname "$0")/lib.sh"
start_x
cd "$bin"
./scope >"$out/start_and_close.log" 2>&1 &
pid=$!
win=$(wait_window "$pid" 30)
sleep 1
shot "$out/start_and_close.png"
close_window "$win"
wait_exit "$pid" 20
echo "scope started, showed window $win and ended cleanly"
