// A whole record of 1,048,576 samples of A and B in volts with the time column, gathered as clipboard
// text and written to a file flushed per row. Targets: text under 0.5 s, file under 2 s.
#include "export/TextExport.h"
#include "settings/ExportOptionsTarn.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int32_t Rows = 1048576;

scope::TAcquiredData Record() {
    scope::TAcquiredData waves(2);
    for (auto &w : waves) {
        w.Data.resize(Rows);
        for (int32_t i = 0; i < Rows; ++i)
            w.Data[size_t(i)] = uint8_t((i * 37) >> 3);
        w.First = 0;
        w.Last = Rows - 1;
    }
    return waves;
}

scope::TTextRowWriter Writer(const scope::TAcquiredData &waves, const scope::TExportOption &preset) {
    scope::TTextRowWriter::TInput in;
    in.Waves = &waves;
    in.Scale = {{0.5 / 32, 128, true}, {2.0 / 32, 120, true}};
    in.TriggerPosition = Rows / 2;
    in.SampleRate = 50000000;
    return scope::TTextRowWriter(preset, in);
}

void BM_ClipboardText(benchmark::State &state) {
    const auto waves = Record();
    scope::TExportOption preset;
    preset.Units = scope::euVolts;
    preset.Style = 1;
    preset.Source = 3;
    const auto writer = Writer(waves, preset);
    for (auto _ : state) {
        scope::TStringSink sink;
        writer.WriteRows({0, Rows - 1}, sink);
        benchmark::DoNotOptimize(sink.Text.data());
    }
}
BENCHMARK(BM_ClipboardText)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FilePerRow(benchmark::State &state) {
    const auto waves = Record();
    scope::TExportOption preset;
    preset.Units = scope::euVolts;
    preset.Style = 1;
    preset.Source = 3;
    const auto writer = Writer(waves, preset);
    char name[] = "/tmp/textexport_benchXXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0)
        close(fd);
    for (auto _ : state) {
        scope::TFileSink sink;
        if (!sink.Create(name)) {
            state.SkipWithError("cannot create the file");
            break;
        }
        writer.WriteRows({0, Rows - 1}, sink);
        sink.Commit();
    }
    std::remove(name);
}
BENCHMARK(BM_FilePerRow)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
