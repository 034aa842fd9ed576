// The oscilloscope screen's drawing: a full redraw of four envelope traces of 500 columns on a 1000 x 600
// bitmap with the grid and both cursor pairs, and the exclusive-or update of two traces by new data, as in
// each display frame of a live acquisition.
#include "ScreenBenchRig.h"

#include <benchmark/benchmark.h>
#include <vector>

using namespace scope;

namespace {

using bench::TScreenRig;

void RedrawAll(benchmark::State &state) {
    TScreenRig rig(1000, 600, TScreenRig::Envelopes);
    rig.ShowFourEnvelopes();
    for (auto _ : state) {
        rig.Screen.RedrawAll();
        benchmark::DoNotOptimize(rig.Screen.Bitmap().constBits());
    }
}
BENCHMARK(RedrawAll)->Unit(benchmark::kMicrosecond);

// Two line traces of 500 columns on a 571 x 381 screen, as at the default settings, each iteration new
// data for both: the old traces are drawn away and the new ones drawn.
void NewData(benchmark::State &state) {
    TScreenRig rig(571, 381, [](TSettingsTarn &s) {
        s.DisplayMode = 2;
        s.GridOn = true;
        s.ChannelsOn.assign(size_t(s.ChannelCount), false);
        s.ChannelsOn[0] = s.ChannelsOn[1] = true;
    });
    // Eight records of a slow sine on A and a faster one on B, with a little noise, worked out beforehand.
    std::vector<std::vector<TColumn>> records;
    for (int record = 0; record < 8; ++record)
        for (int32_t c = 0; c < 2; ++c) {
            std::vector<TColumn> &columns = records.emplace_back(500);
            for (int j = 0; j < 500; ++j) {
                const double v = 128 + (c ? 40 : 100) * std::sin(j * (c ? 0.4 : 0.0628) + record * 0.3);
                const int lo = std::clamp(int(v) - 1 - (j + record) % 3, 0, 255);
                const int hi = std::clamp(int(v) + 1 + (j * 7 + record) % 3, 0, 255);
                columns[size_t(j)] = {uint8_t(hi), uint8_t(lo), uint8_t((hi + lo) / 2), 1};
            }
        }
    auto show = [&](int record) {
        for (int32_t c = 0; c < 2; ++c) {
            TChannelWave &w = rig.Source.ScreenColumns(c);
            w.Columns = records[size_t(2 * record + c)];
            w.FirstColumn = 0;
            w.LastColumn = 499;
            w.Valid = true;
            w.PointsPerSample = 1;
        }
        rig.Bus.Broadcast(bmScreenDataReady, 0x3, nullptr);
    };
    int record = 0;
    show(record);
    for (auto _ : state) {
        show(++record % 8);
        benchmark::DoNotOptimize(rig.Screen.Bitmap().constBits());
    }
}
BENCHMARK(NewData)->Unit(benchmark::kMicrosecond);

} // namespace
