#!/usr/bin/env bash
# Starts scope in a virtual X server without an instrument, closes the device question with the
# window's close button (which answers Abort) and checks that the program ends by itself without
# showing its main form, having written its settings file.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
e2e_folders "$@"
start_x
start_program start_and_close
question=$(wait_title "^Error$" 30) || fail "no device question"
shot "$out/start_and_close.png"
close_and_wait "$question" || fail "the device question did not close"
wait_exit "$pid" 20
visible "DEMO" && fail "the main form was shown after Abort"
test -s settings.xml || fail "settings.xml was not written"
echo "scope asked for a device, ended after Abort and saved its settings"
