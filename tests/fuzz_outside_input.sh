#!/usr/bin/env bash
# Builds the readers of outside input with clang's libFuzzer and sanitizers: the settings load, the
# settings import, a driver library's description block and the instrument's calibration record. Each
# is fuzzed for a bounded time from the files the program writes and the files of known faults. Any
# crash, sanitizer report, leak, allocation above 256 MB or run over 10 s fails.
set -euo pipefail
out=${2:-/tmp/e2e}/fuzz_outside_input
src=$(cd "$(dirname "$0")/.." && pwd)
seconds=${OUTSIDE_FUZZ_SECONDS:-10}
mkdir -p "$out/obj"
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
       -DSCOPE_VERSION=\"fuzz\" -I"$src/app/core" -I"$src/shared" -I"$src/driver" -I"$src/stubs/pellusb")
mapfile -t sources < <(find "$src/app/core" -name '*.cpp' ! -name '*_test.cpp' ! -path '*/test*/*' | sort)
sources+=("$src/driver/Calibration.cpp" "$src/driver/ModelTables.cpp" "$src/stubs/pellusb/SimCalibration.cpp"
          "$src/tests/fuzz/OutsideInput_fuzz.cpp")
objects=()
for s in "${sources[@]}"; do objects+=("$out/obj/$(echo "${s#"$src"/}" | tr / _).o"); done
rm -f "$out"/obj/*.o
for i in "${!sources[@]}"; do
    clang++ "${flags[@]}" -c "${sources[$i]}" -o "${objects[$i]}" &
    while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n || true; done
done
wait || true
# Every object must exist: a failed compile stops here.
for o in "${objects[@]}"; do [ -s "$o" ] || { echo "not compiled: $o"; exit 1; }; done
fuzzer=$out/outside_input_fuzz
clang++ -fsanitize=fuzzer,address,undefined "${objects[@]}" -lpugixml -lpng -ljpeg -lz -ldl -lpthread -o "$fuzzer"
seeds=$out/seeds
rm -rf "$seeds" && mkdir -p "$seeds"
FUZZ_SEEDS=$seeds "$fuzzer"
for reader in settings import block calibration; do
    corpus=$out/corpus_$reader
    rm -rf "$corpus" && mkdir -p "$corpus"
    cp "$seeds/$reader/"* "$corpus/"
    case $reader in
        settings|import) max_len=16384 ;;
        block) max_len=1400 ;;
        calibration) max_len=256 ;;
    esac
    echo "fuzzing the $reader reader for $seconds s"
    FUZZ_READER=$reader "$fuzzer" -max_total_time="$seconds" -malloc_limit_mb=256 -rss_limit_mb=2048 \
        -timeout=10 -max_len=$max_len -print_final_stats=1 -artifact_prefix="$out/crash_$reader-" "$corpus" \
        >"$out/$reader.log" 2>&1 || { tail -n 40 "$out/$reader.log"; exit 1; }
    grep -E "^stat::number_of_executed_units" "$out/$reader.log" || true
    grep -E "^#[0-9]+.*(DONE|cov:)" "$out/$reader.log" | tail -n 1 || true
done
echo "readers of outside input survived fuzzing"
