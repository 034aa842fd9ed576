#!/usr/bin/env bash
# CPU share of the running program, measured the same way each time: the program starts in a private X
# server in demonstration mode and then with the simulated instrument, runs for the given time in each
# (default 30 s) after it has settled, and its user and system time from /proc is divided by the wall
# time. Usage: bench/cpu_side_by_side.sh [program folder] [seconds] [work folder]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "${1:-$here/../build/bin}" && pwd)
seconds=${2:-30}
out=${3:-/tmp/cpu_side_by_side}
mkdir -p "$out"
. "$here/../tests/lib.sh"
start_x

ticks=$(getconf CLK_TCK)
# utime + stime of a process, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# Measures the running program ($pid): prints the share of one core.
measure() {
    local label=$1 t0 t1 c0 c1
    sleep 3 # start-up work is not part of the figure
    c0=$(cpu_ticks "$pid")
    t0=$(date +%s.%N)
    sleep "$seconds"
    c1=$(cpu_ticks "$pid")
    t1=$(date +%s.%N)
    awk -v c="$((c1 - c0))" -v hz="$ticks" -v t0="$t0" -v t1="$t1" -v l="$label" \
        'BEGIN { printf "%-22s %6.2f %% of one core over %.1f s\n", l, 100 * c / hz / (t1 - t0), t1 - t0 }'
}

start_program cpu_demo
main=$(enter_demonstration) || fail "no demonstration mode"
measure "demonstration mode"
exit_with_yes "$main"
cd "$out"

start_program cpu_simulated PELLUSB_SIMULATE=1
main=$(wait_title "^Pelle2 oscilloscope" 30) || fail "no main form for the simulated instrument"
measure "simulated instrument"
exit_with_yes "$main"
