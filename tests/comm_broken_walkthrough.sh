#!/usr/bin/env bash
# A broken link to the simulated Pellan instrument: while the link file exists the instrument does not
# answer. The "Communication broken" form comes up; once the file is gone it closes by itself and the
# trace runs on. Broken again, a stray Escape or Return on the form does nothing, and Exit ends the program
# at once, without the exit question, and the settings are still written. Screenshots are left in the
# output folder.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
e2e_folders "$@"

link="$out/comm_broken_link_down"
rm -f "$link"

start_x
start_program comm_broken PELLUSB_SIMULATE=0 PELLUSB_LINK_FILE="$link"
main=$(wait_title "^Pelle1 oscilloscope" 30) || fail "no main form named after the simulated instrument"
expect_live_trace "$out/comm_broken_1_running.png" "$out/comm_broken_2_running.png"

# The link breaks.
touch "$link"
broken=$(wait_title "^Communication broken$" 30) || fail "no form for the broken link"
sleep 1.5
shot "$out/comm_broken_3_form.png"
visible "^Communication broken$" || fail "the form went while the link was still down"

# The link is back: the form closes by itself and the acquisition goes on.
rm -f "$link"
wait_until 30 gone "$broken" || fail "the form stayed after the link came back"
expect_live_trace "$out/comm_broken_4_reconnected.png" "$out/comm_broken_5_reconnected.png"

# Broken again. A stray Escape or Return changes nothing; Exit ends the program without asking.
touch "$link"
broken=$(wait_title "^Communication broken$" 30) || fail "no form for the second break"
wait_until 30 managed "$broken" || fail "the form for the second break is not on the desktop"
press "$broken" Escape
press "$broken" Return
# Nothing may happen: the hold is the check.
sleep 1
visible "^Communication broken$" || fail "a stray Escape or Return closed the form"
kill -0 "$pid" 2>/dev/null || fail "a stray Escape or Return ended the program"
shot "$out/comm_broken_6_after_stray_keys.png"
rm -f settings.xml
xdotool mousemove --window "$broken" 136 108 click 1
wait_exit "$pid" 30 ||
    fail "the program did not end after Exit$(visible '^Warning$' && echo ': it asked the exit question')"
rm -f "$link"
test -s settings.xml || fail "settings.xml was not written"
cp settings.xml "$out/comm_broken_settings.xml"
echo "walk-through done: broken link shown, reconnected with a live trace, Exit ended the program and kept the settings"
