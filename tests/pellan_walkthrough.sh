#!/usr/bin/env bash
# A user with a Pellan instrument: the device search finds the simulated instrument through the driver
# library, the caption names it, the screen shows its live signal, and closing ends the program.
set -euo pipefail
bin=$1
out=${2:-/tmp/e2e}
mkdir -p "$out"
. "$(dirname "$0")/lib.sh"
start_x
prog="$out/pellan_program"
rm -rf "$prog"
cp -r "$bin" "$prog"
rm -f "$prog/settings.xml"
exe="scope_pellan_$$"
mv "$prog/scope" "$prog/$exe"
cd "$prog"
PELLUSB_SIMULATE=1 "./$exe" >"$out/pellan.log" 2>&1 &
pid=$!
fail() { echo "$1" >&2; kill "$pid" 2>/dev/null || true; exit 1; }

main=$(wait_title "^Pelle2 oscilloscope" 30) || fail "no main form named after the simulated instrument"
sleep 2
shot "$out/pellan_1_main.png"
trace_pixels=$(convert "$out/pellan_1_main.png" txt:- | grep -c -E '#(FF0000|00FF00|FFFF00)' || true)
echo "pixels in trace colours: $trace_pixels"
[ "$trace_pixels" -gt 2000 ] || fail "no trace on the oscilloscope screen"
sleep 1
shot "$out/pellan_2_later.png"
cmp -s "$out/pellan_1_main.png" "$out/pellan_2_later.png" && fail "the screen did not change: no live acquisition"

close_window "$main"
exitq=$(wait_title "^Warning$" 10) || fail "no exit question"
xdotool windowactivate --sync "$exitq" 2>/dev/null || true
sleep 0.3
xdotool key alt+y
wait_exit "$pid" 20 || fail "the program did not end after Yes"
test -s settings.xml || fail "settings.xml was not written"
echo "walk-through done: simulated Pellan instrument found, live trace, settings written"
