#!/usr/bin/env bash
# A user's first run on a machine without an instrument: the device question is answered with No,
# the demonstration notice is confirmed, the main form shows the live trace of the demonstration
# instrument; closing the window asks the exit question (No keeps it running, Yes ends it) and the
# settings file is written. Screenshots of every step are left in the output folder.
set -euo pipefail
bin=$1
out=${2:-/tmp/e2e}
mkdir -p "$out"
. "$(dirname "$0")/lib.sh"
start_x
prog="$out/walkthrough_program"
rm -rf "$prog"
cp -r "$bin" "$prog"
rm -f "$prog/settings.xml"
# A name of its own: a copy of the program that runs elsewhere on the machine (another test run) would
# otherwise count as a second instance.
exe="scope_e2e_$$"
mv "$prog/scope" "$prog/$exe"
cd "$prog"
"./$exe" >"$out/walkthrough.log" 2>&1 &
pid=$!
fail() { echo "$1" >&2; kill "$pid" 2>/dev/null || true; exit 1; }
# Presses keys in a window after giving it the focus, as a user would.
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

question=$(wait_title "^Error$" 30) || fail "no device question"
shot "$out/walkthrough_1_question.png"
answer "$question" alt+n || fail "the device question did not take No"
notice=$(wait_title "^Warning$" 10) || fail "no demonstration notice"
shot "$out/walkthrough_2_demonstration.png"
close_window "$notice" # the notice offers OK only: closing it is OK

main=$(wait_title "DEMO" 20) || fail "no main form with the demonstration device's name"
sleep 2
shot "$out/walkthrough_3_main.png"
# The oscilloscope screen shows a trace. Channels A and B both see the demonstration sine; where their
# green and yellow traces overlap the exclusive-or drawing shows red. The red cursor pair alone makes
# fewer than 1000 such pixels on an 800 x 600 window, so more than 2000 means a trace is drawn.
trace_pixels=$(convert "$out/walkthrough_3_main.png" txt:- | grep -c -E '#(FF0000|00FF00|FFFF00)' || true)
echo "pixels in trace colours: $trace_pixels"
[ "$trace_pixels" -gt 2000 ] || fail "no trace on the oscilloscope screen"
# The trace is live: a second screenshot differs.
sleep 1
shot "$out/walkthrough_4_main_later.png"
if cmp -s "$out/walkthrough_3_main.png" "$out/walkthrough_4_main_later.png"; then
    fail "the screen did not change: no live acquisition"
fi

# Closing asks first; No keeps the program running.
close_window "$main"
exitq=$(wait_title "^Warning$" 10) || fail "no exit question"
shot "$out/walkthrough_5_exit_question.png"
answer "$exitq" alt+n || fail "the exit question did not take No"
sleep 1
kill -0 "$pid" 2>/dev/null || fail "the program ended although the exit question was answered No"
test ! -e settings.xml || fail "settings were written before the end"

close_window "$main"
exitq=$(wait_title "^Warning$" 10) || fail "no exit question the second time"
answer "$exitq" alt+y || fail "the exit question did not take Yes"
wait_exit "$pid" 20 || fail "the program did not end after Yes"
test -s settings.xml || fail "settings.xml was not written"
grep -qi "options" settings.xml || fail "settings.xml holds no options"
echo "walk-through done: question, demonstration, live trace, exit question, settings written"
