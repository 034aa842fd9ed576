#!/usr/bin/env bash
# Starts scope in a virtual X server without an instrument, closes the device question with the
# window's close button (which answers Abort) and checks that the program ends by itself without
# showing its main form, having written its settings file.
set -euo pipefail
bin=$1
out=${2:-/tmp/e2e}
mkdir -p "$out"
. "$(dirname "$0")/lib.sh"
start_x
prog="$out/start_and_close_program"
rm -rf "$prog"
cp -r "$bin" "$prog"
rm -f "$prog/settings.xml"
# A name of its own: a copy of the program that runs elsewhere on the machine (another test run) would
# otherwise count as a second instance.
exe="scope_e2e_$$"
mv "$prog/scope" "$prog/$exe"
cd "$prog"
"./$exe" >"$out/start_and_close.log" 2>&1 &
pid=$!
question=$(wait_title "^Error$" 30)
shot "$out/start_and_close.png"
close_window "$question"
wait_exit "$pid" 20
if xdotool search --name "DEMO" >/dev/null 2>&1; then
    echo "the main form was shown after Abort" >&2
    exit 1
fi
test -s settings.xml || { echo "settings.xml was not written" >&2; exit 1; }
echo "scope asked for a device, ended after Abort and saved its settings"
