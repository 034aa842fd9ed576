// The oscilloscope screen's drawing: a full redraw of four envelope traces of 500 columns on a 1000 x 600
// bitmap with the grid and both cursor pairs, and the exclusive-or update of two traces by new data, as in
// each display frame of a live acquisition.
#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "screens/ScopeScreenTarn.h"
#include "settings/OptionsTarn.h"
#include "settings/SettingsTarn.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>
#include <vector>

using namespace scope;

namespace {

QApplication &App() {
    static int argc = 1;
    static char name[] = "screen_bench";
    static char *argv[] = {name, nullptr};
    static std::unique_ptr<QApplication> app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QApplication>(argc, argv);
    }();
    return *app;
}

void RedrawAll(benchmark::State &state) {
    App();
    TObjMasterTarn bus;
    TSettingsTarn settings;
    settings.SetDefaultCapabilities();
    settings.Options = std::make_unique<TOptions>(&settings);
    settings.BringWithinCapabilities(settings.RequestedSettings());
    settings.StartAcquisitionSettings();
    settings.ShowAcquisitionSettings();
    settings.DisplayRatio = 1;
    settings.DisplayMode = 3;
    settings.GridOn = settings.VerCursorsOn = settings.HorCursorsOn = true;
    settings.GridIntensity = 0.7;
    settings.ChannelsOn.assign(size_t(settings.ChannelCount), true);
    TDataSourceTarn source;
    source.SetSettings(&settings);
    source.SetObjMaster(&bus);
    TScopeScreenTarn screen;
    screen.SetSettings(&settings);
    screen.SetDataSource(&source);
    screen.SetObjMaster(&bus);
    bus.Broadcast(bmInitialize, 0, nullptr);
    BroadcastSettingsApplied(bus);
    screen.resize(1000, 600);
    QImage target(1000, 600, QImage::Format_RGB32);
    screen.render(&target); // the bitmap takes the control's size

    // Four noisy sines with envelopes 10 to 60 levels high.
    for (int32_t c = 0; c < 4; ++c) {
        TChannelWave &w = source.ScreenColumns(c);
        w.Columns.resize(500);
        for (int j = 0; j < 500; ++j) {
            const double v = 128 + 90 * std::sin(j * 0.0628 + c);
            const int spread = 5 + (j * 7 + c * 13) % 25;
            const int hi = std::clamp(int(v) + spread, 0, 255), lo = std::clamp(int(v) - spread, 0, 255);
            w.Columns[size_t(j)] = {uint8_t(hi), uint8_t(lo), uint8_t((hi + lo) / 2), 1};
        }
        w.FirstColumn = 0;
        w.LastColumn = 499;
        w.Valid = true;
        w.PointsPerSample = 1;
    }
    bus.Broadcast(bmScreenDataReady, 0xF, nullptr);

    for (auto _ : state) {
        screen.RedrawAll();
        benchmark::DoNotOptimize(screen.Bitmap().constBits());
    }
}
BENCHMARK(RedrawAll)->Unit(benchmark::kMicrosecond);

// Two line traces of 500 columns on a 571 x 381 screen, as at the default settings, each iteration new
// data for both: the old traces are drawn away and the new ones drawn.
void NewData(benchmark::State &state) {
    App();
    TObjMasterTarn bus;
    TSettingsTarn settings;
    settings.SetDefaultCapabilities();
    settings.Options = std::make_unique<TOptions>(&settings);
    settings.BringWithinCapabilities(settings.RequestedSettings());
    settings.StartAcquisitionSettings();
    settings.ShowAcquisitionSettings();
    settings.DisplayRatio = 1;
    settings.DisplayMode = 2;
    settings.GridOn = true;
    settings.ChannelsOn.assign(size_t(settings.ChannelCount), false);
    settings.ChannelsOn[0] = settings.ChannelsOn[1] = true;
    TDataSourceTarn source;
    source.SetSettings(&settings);
    source.SetObjMaster(&bus);
    TScopeScreenTarn screen;
    screen.SetSettings(&settings);
    screen.SetDataSource(&source);
    screen.SetObjMaster(&bus);
    bus.Broadcast(bmInitialize, 0, nullptr);
    BroadcastSettingsApplied(bus);
    screen.resize(571, 381);
    QImage target(571, 381, QImage::Format_RGB32);
    screen.render(&target);

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
            TChannelWave &w = source.ScreenColumns(c);
            w.Columns = records[size_t(2 * record + c)];
            w.FirstColumn = 0;
            w.LastColumn = 499;
            w.Valid = true;
            w.PointsPerSample = 1;
        }
        bus.Broadcast(bmScreenDataReady, 0x3, nullptr);
    };
    int record = 0;
    show(record);
    for (auto _ : state) {
        show(++record % 8);
        benchmark::DoNotOptimize(screen.Bitmap().constBits());
    }
}
BENCHMARK(NewData)->Unit(benchmark::kMicrosecond);

} // namespace
