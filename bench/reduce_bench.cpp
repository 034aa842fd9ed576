// Reduction of a full-memory channel to the screen and to the quick view.
#include "acquisition/ColumnReduction.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace scope;

namespace {

constexpr int32_t FullMemory = 1048576;
constexpr int32_t Columns = 500;

TWaveform FullChannel() {
    TWaveform wave;
    wave.Data.resize(FullMemory);
    std::mt19937 random(7);
    for (auto &v : wave.Data)
        v = uint8_t(random());
    wave.First = 0;
    wave.Last = FullMemory - 1;
    return wave;
}

void ReduceToScreenFullMemory(benchmark::State &state) {
    const TWaveform wave = FullChannel();
    TChannelWave out;
    const int32_t step = ScreenStep(double(FullMemory) / Columns);
    for (auto _ : state) {
        ReduceScreenColumns(wave, 0, step, Columns, out);
        benchmark::DoNotOptimize(out.Columns.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(step) * Columns);
}
BENCHMARK(ReduceToScreenFullMemory);

void ReduceToQuickViewFullMemory(benchmark::State &state) {
    const TWaveform wave = FullChannel();
    TChannelWave out;
    for (auto _ : state) {
        ReduceQuickViewColumns(wave, Columns, out);
        benchmark::DoNotOptimize(out.Columns.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * FullMemory);
}
BENCHMARK(ReduceToQuickViewFullMemory);

} // namespace
