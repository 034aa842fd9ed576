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

# Every thread of a process: id, ticks, name.
thread_ticks() {
    local task
    for task in /proc/"$1"/task/*; do
        awk -v id="${task##*/}" '{ n = $0; sub(/^[^(]*\(/, "", n); sub(/\).*$/, "", n);
            r = $0; sub(/^.*\) /, "", r); split(r, f, " "); print id, f[12] + f[13], n }' "$task/stat"
    done
}

# Measures the running program ($pid): prints the share of one core, then that of each busy thread.
measure() {
    local label=$1 t0 t1 c0 c1
    sleep 3 # start-up work is not part of the figure
    thread_ticks "$pid" >"$out/threads0"
    c0=$(cpu_ticks "$pid")
    t0=$(date +%s.%N)
    sleep "$seconds"
    c1=$(cpu_ticks "$pid")
    t1=$(date +%s.%N)
    thread_ticks "$pid" >"$out/threads1"
    awk -v c="$((c1 - c0))" -v hz="$ticks" -v t0="$t0" -v t1="$t1" -v l="$label" \
        'BEGIN { printf "%-22s %6.2f %% of one core over %.1f s\n", l, 100 * c / hz / (t1 - t0), t1 - t0 }'
    # The process's first thread is the GUI thread; the program's only other thread of its own is the
    # acquisition thread; the rest are Qt's.
    awk -v hz="$ticks" -v pid="$pid" -v s="$(awk -v t0="$t0" -v t1="$t1" 'BEGIN { print t1 - t0 }')" '
        NR == FNR { before[$1] = $2; next }
        {
            d = $2 - before[$1]; id = $1; $1 = ""; $2 = ""; name = substr($0, 3)
            if (id == pid) name = "GUI thread"; else if (name ~ /^scope_/) name = "acquisition thread"
            if (d > 0) printf "    %-20s %6.2f %%\n", name, 100 * d / hz / s
        }
    ' "$out/threads0" "$out/threads1"
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
