#!/usr/bin/env bash
# A user of the demonstration instrument switches on "Waveform parameters" from the Functions box: the
# module's window opens with the table of the demonstration sine's parameters. Closing that window by its
# own close button switches the module off; at exit the module's configuration is in settings.xml.
# Screenshots are left in the output folder.
set -euo pipefail
bin=$1
out=${2:-/tmp/e2e}
mkdir -p "$out"
. "$(dirname "$0")/lib.sh"
start_x
prog="$out/parameters_program"
rm -rf "$prog"
cp -r "$bin" "$prog"
rm -f "$prog/settings.xml"
test -e "$prog/modules/parmod.so" || { echo "no parameter module in the program folder" >&2; exit 1; }
# A name of its own, so that another copy running elsewhere does not count as a second instance.
exe="scope_e2e_$$"
mv "$prog/scope" "$prog/$exe"
cd "$prog"
"./$exe" >"$out/parameters.log" 2>&1 &
pid=$!
fail() { echo "$1" >&2; kill "$pid" 2>/dev/null || true; exit 1; }
press() {
    sleep 0.5
    xdotool windowactivate --sync "$1" 2>/dev/null || true
    sleep 0.3
    xdotool key "${@:2}"
}
# Answers a message box by keys and waits for it to go; tries again when the keys came too early.
answer() {
    local win=$1
    for _ in 1 2 3; do
        press "$win" "${@:2}"
        for _ in $(seq 1 20); do
            xdotool search --onlyvisible --name "." 2>/dev/null | grep -qx "$win" || return 0
            sleep 0.1
        done
    done
    return 1
}
visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

question=$(wait_title "^Error$" 30) || fail "no device question"
answer "$question" alt+n || fail "the device question did not take No"
notice=$(wait_title "^Warning$" 10) || fail "no demonstration notice"
close_window "$notice" # the notice offers OK only: closing it is OK
main=$(wait_title "DEMO" 20) || fail "no main form with the demonstration device's name"
sleep 1

# The Functions box lies at (0, 199) of the client area, which starts below the menu bar (about 24
# pixels); the first module button is 57 x 20 at (3, 15) in the box. The click aims at its middle.
click_wp() {
    xdotool windowactivate --sync "$main" 2>/dev/null || true
    xdotool mousemove --window "$main" 31 $((24 + 199 + 25)) click 1
}
click_wp
module=$(wait_title "^Waveform parameters$" 15) || fail "no parameter window after the click on Wp"
sleep 3 # a few records computed and shown
shot "$out/parameters_1_window.png"
xdotool getwindowgeometry "$module" || true
import -window "$module" "$out/parameters_2_table.png" 2>/dev/null || true

# The module's own close button switches it off through the host.
close_window "$module"
for _ in $(seq 1 50); do
    visible "^Waveform parameters$" || break
    sleep 0.1
done
visible "^Waveform parameters$" && fail "the parameter window stayed open after its close button"
sleep 1
kill -0 "$pid" 2>/dev/null || fail "the program ended with the module window"
shot "$out/parameters_3_closed.png"

close_window "$main"
exitq=$(wait_title "^Warning$" 10) || fail "no exit question"
answer "$exitq" alt+y || fail "the exit question did not take Yes"
wait_exit "$pid" 20 || fail "the program did not end after Yes"
test -s settings.xml || fail "settings.xml was not written"
python3 - settings.xml <<'PY' || fail "settings.xml holds no keys of the parameter module"
import sys
import xml.etree.ElementTree as ET
wp = ET.parse(sys.argv[1]).getroot().find("APPCONTAINER/WP")
keys = {child.tag for child in wp} if wp is not None else set()
print("module keys:", " ".join(sorted(keys)))
sys.exit(0 if {"RANGEC", "RANGED", "STAYONTOP", "PARAM_0", "CHANNEL_0", "STAT_0"} <= keys else 1)
PY
echo "walk-through done: Wp switched on, parameter window shown, closed by its own button, keys saved"
