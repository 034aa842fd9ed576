#!/usr/bin/env bash
# Runs tests on a busy machine before landing: starts CPU load of twice the core count (stress-ng,
# installed from Debian when missing and possible, else plain busy loops), runs what it is asked and
# stops the load after, also on failure or Ctrl-C.
#
#   scripts/under_load.sh [unit] [full] [-- command...]
#     unit  (the default) builds with scripts/setup.sh, then runs every unit test in build/ until it fails,
#           SCOPE_REPEAT times (20); any further ctest arguments go after `unit`, up to the next word
#           `full` or `--`, e.g. `unit -R '^(FrameClock|Readouts)\.'`
#     full  runs scripts/test.sh (every test, sanitizer stages included)
#     -- command...  runs the command under the load instead
#   SCOPE_LOAD sets the number of load workers, SCOPE_JOBS the ctest jobs (the core count, 8 at most).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cores=$(nproc)
workers=${SCOPE_LOAD:-$((2 * cores))}
jobs=${SCOPE_JOBS:-$cores}
[ "$jobs" -le 8 ] || jobs=8
repeat=${SCOPE_REPEAT:-20}

unit=0 full=0 unit_args=() command=()
while [ $# -gt 0 ]; do
    case $1 in
    unit)
        unit=1
        shift
        while [ $# -gt 0 ] && [ "$1" != full ] && [ "$1" != -- ]; do
            unit_args+=("$1")
            shift
        done
        ;;
    full) full=1 && shift ;;
    --) shift && command=("$@") && break ;;
    *) echo "usage: $0 [unit [ctest arguments]] [full] [-- command...]" >&2 && exit 2 ;;
    esac
done
[ $unit = 1 ] || [ $full = 1 ] || [ ${#command[@]} -gt 0 ] || unit=1

if ! command -v stress-ng >/dev/null; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo -n)
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends stress-ng \
        >/dev/null 2>&1 || echo "stress-ng could not be installed: busy loops instead" >&2
fi

# The unit tests are built before the load starts; a full run builds under it.
[ $unit = 0 ] || "$here/scripts/setup.sh"

load=()
stop_load() {
    [ ${#load[@]} -gt 0 ] || return 0
    kill "${load[@]}" 2>/dev/null || true
    wait "${load[@]}" 2>/dev/null || true
    load=()
    echo "load stopped"
}
trap stop_load EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
if command -v stress-ng >/dev/null; then
    stress-ng --cpu "$workers" --timeout 0 --quiet &
    load+=($!)
else
    for _ in $(seq "$workers"); do
        (while :; do :; done) &
        load+=($!)
    done
fi
echo "load: $workers workers on $cores cores ($(command -v stress-ng >/dev/null && echo stress-ng || echo busy loops))"

started=$(date +%s)
status=0
if [ $unit = 1 ]; then
    (cd "$here/build" && ctest --output-on-failure -j "$jobs" -E '^e2e_' --repeat "until-fail:$repeat" \
        "${unit_args[@]}") || status=$?
    echo "unit tests, $repeat times each: $([ $status = 0 ] && echo passed || echo FAILED) after $(($(date +%s) - started)) s"
fi
if [ $full = 1 ] && [ $status = 0 ]; then
    "$here/scripts/test.sh" || status=$?
    echo "full run: $([ $status = 0 ] && echo passed || echo FAILED) after $(($(date +%s) - started)) s"
fi
if [ ${#command[@]} -gt 0 ] && [ $status = 0 ]; then
    "${command[@]}" || status=$?
    echo "${command[*]}: $([ $status = 0 ] && echo passed || echo FAILED) after $(($(date +%s) - started)) s"
fi
exit $status
