// Full redraw of the oscilloscope screen: four envelope traces of 500 columns on a 1000 x 600 bitmap,
// with the grid and both cursor pairs, as after every record when the screen redraws in full.
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

} // namespace
