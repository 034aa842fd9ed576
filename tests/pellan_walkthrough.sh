#!/usr/bin/env bash
# A user with a Pellan instrument: the device search finds the simulated instrument through the driver
# library, the caption names it, the screen shows its live signal, and closing ends the program.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
e2e_folders "$@"
start_x
start_program pellan PELLUSB_SIMULATE=1

main=$(wait_title "^Pelle2 oscilloscope" 30) || fail "no main form named after the simulated instrument"
expect_live_trace "$out/pellan_1_main.png" "$out/pellan_2_later.png"
exit_with_yes "$main"
echo "walk-through done: simulated Pellan instrument found, live trace, settings written"
