#!/usr/bin/env bash
# Builds the record file readers with clang's libFuzzer and sanitizers, then fuzzes each reader for a
# few seconds from valid seed files. Any crash, sanitizer report, leak or allocation above 64 MB fails.
set -euo pipefail
out=${2:-/tmp/e2e}/fuzz_record_formats
src=$(cd "$(dirname "$0")/.." && pwd)
seconds=${RECORD_FUZZ_SECONDS:-7}
mkdir -p "$out"
fuzzer=$out/record_formats_fuzz
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$src/app/core" -I"$src/shared" \
    "$src/tests/fuzz/RecordFormats_fuzz.cpp" "$src/app/core/records/SaveLoadFormatsTarn.cpp" \
    "$src/app/core/format/NumberText.cpp" "$src/app/core/platform/Platform.cpp" -lz -ldl -o "$fuzzer"
seeds=$out/seeds
rm -rf "$seeds" && mkdir -p "$seeds"
RECORD_SEEDS=$seeds "$fuzzer"
for format in 0 1 2; do
    corpus=$out/corpus$format
    rm -rf "$corpus" && mkdir -p "$corpus"
    cp "$seeds/seed$format"* "$corpus/"
    echo "fuzzing record format $format for $seconds s"
    RECORD_FORMAT=$format "$fuzzer" -max_total_time="$seconds" -malloc_limit_mb=64 -rss_limit_mb=1024 \
        -timeout=5 -max_len=8192 -print_final_stats=1 -artifact_prefix="$out/crash$format-" "$corpus" \
        >"$out/format$format.log" 2>&1 || { tail -n 40 "$out/format$format.log"; exit 1; }
    grep -E "^stat::number_of_executed_units" "$out/format$format.log" || true
done
echo "record file readers survived fuzzing"
