#!/usr/bin/env bash
# Sets up, builds and runs every test; then builds the unit tests again with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan) and the engine, driver and module tests with ThreadSanitizer
# (build-tsan), and runs them. Any sanitizer report fails its test and so the run.
# SCOPE_SANITIZERS=0 skips the sanitizer builds (for a quick local run).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
[ "$jobs" -le 8 ] || jobs=8
"$here/scripts/setup.sh"
cd "$here/build"
ctest --output-on-failure -j "$jobs" "$@"

[ "${SCOPE_SANITIZERS:-1}" = 1 ] || exit 0
sanitizers=$here/scripts/sanitizers
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1:strict_init_order=1"
export LSAN_OPTIONS="suppressions=$sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$sanitizers/tsan.supp"

# Unit tests, the start-up and shut-down walk-through and the hostile settings walk-through; the other
# walk-throughs and the fuzz scripts (which build their own sanitized binaries) run in build/ only.
# These two need no bus: a session bus address that fails at once keeps the program off any session or
# accessibility bus the environment has, and libdbus from forking dbus-launch to start one. Qt's D-Bus
# thread still starts; for its end at exit see the leak check in app/ui/main.cpp.
cd "$here"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 -DSCOPE_BENCH=OFF \
    -DSCOPE_SANITIZE=address,undefined >/dev/null
cmake --build build-asan -j "$jobs"
(cd build-asan && ctest --output-on-failure -j "$jobs" -E '^e2e_' && \
    env -u AT_SPI_BUS_ADDRESS DBUS_SESSION_BUS_ADDRESS=disabled: \
        ctest --output-on-failure -R '^e2e_(demo_walkthrough|hostile_settings_walkthrough)$')

# The engine, the driver, the module and the simulated instrument: the code with threads of its own.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 -DSCOPE_BENCH=OFF \
    -DSCOPE_SANITIZE=thread >/dev/null
cmake --build build-tsan -j "$jobs" --target core_tests driver_tests parmod_tests pellusb_tests
(cd build-tsan && ctest --output-on-failure -j "$jobs" -E '_NOT_BUILT$|^e2e_')
