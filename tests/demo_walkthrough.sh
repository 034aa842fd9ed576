#!/usr/bin/env bash
# A user's first run on a machine without an instrument: the device question is answered with No,
# the demonstration notice is confirmed, the main form shows the live trace of the demonstration
# instrument; closing the window asks the exit question (No keeps it running, Yes ends it) and the
# settings file is written. Screenshots of every step are left in the output folder.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
e2e_folders "$@"
start_x
start_program walkthrough

main=$(enter_demonstration "$out/walkthrough_1")
# Channels A and B both see the demonstration sine; where their green and yellow traces overlap the
# exclusive-or drawing shows red.
expect_live_trace "$out/walkthrough_3_main.png" "$out/walkthrough_4_main_later.png"

# Closing asks first; No keeps the program running.
close_window "$main"
exitq=$(wait_title "^Warning$" 10) || fail "no exit question"
shot "$out/walkthrough_5_exit_question.png"
answer "$exitq" alt+n || fail "the exit question did not take No"
kill -0 "$pid" 2>/dev/null || fail "the program ended although the exit question was answered No"
test ! -e settings.xml || fail "settings were written before the end"

# Closing asks again: the program ran on after No.
exit_with_yes "$main"
grep -qi "options" settings.xml || fail "settings.xml holds no options"
echo "walk-through done: question, demonstration, live trace, exit question, settings written"
