// Mouse work on the oscilloscope screen and the quick view: a cursor drag step and a hover change on a
// 1000 x 600 screen with four envelope traces, drawn by exclusive-or or (OptimizeForAero) by a full
// redraw; and a full redraw of a 1000-pixel quick view of eight channels.
#include "ScreenBenchRig.h"
#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "screens/QVScreenTarn.h"
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

using bench::App;
using bench::TScreenRig;

// The screen as after a record: grid, both cursor pairs, four envelope traces.
struct TScreenSetup : TScreenRig {
    explicit TScreenSetup(bool aero)
        : TScreenRig(1000, 600, [aero](TSettingsTarn &s) {
              static_cast<TBooleanOption *>(s.Options->GetOption(opOptimizeForAero))->Value = aero;
              Envelopes(s);
          }) {
        ShowFourEnvelopes();
    }
};

// One mouse move while dragging vertical cursor 0: removed, moved a point, drawn again.
void CursorDragStep(benchmark::State &state) {
    TScreenSetup setup(state.range(0) != 0);
    TScopeScreenTarn &screen = setup.Screen;
    const int x0 = screen.PointToX(setup.Settings.GetVerCursorPos(0));
    screen.MouseDown(x0, 300);
    if (screen.DragObject().Kind != soVerCursor)
        state.SkipWithError("the press did not grab the cursor");
    int step = 0;
    for (auto _ : state) {
        screen.MouseMove(x0 + (step++ & 15) * 2, 300);
        benchmark::DoNotOptimize(screen.Bitmap().constBits());
    }
    screen.MouseUp(x0, 300);
}
BENCHMARK(CursorDragStep)->Arg(0)->Arg(1)->ArgName("aero")->Unit(benchmark::kMicrosecond);

// The hover moving between the two vertical cursors (range 0) or between a cursor and an envelope trace
// (range 1), each highlighted in turn.
void HoverChange(benchmark::State &state) {
    TScreenSetup setup(state.range(0) != 0);
    TScopeScreenTarn &screen = setup.Screen;
    const TScreenObject objects[2] = {
        {soVerCursor, 1}, state.range(1) ? TScreenObject{soTrace, 2} : TScreenObject{soVerCursor, 0}};
    int i = 0;
    for (auto _ : state) {
        screen.SetHoverObject(objects[i++ & 1]);
        benchmark::DoNotOptimize(screen.Bitmap().constBits());
    }
}
BENCHMARK(HoverChange)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"aero", "trace"})
    ->Unit(benchmark::kMicrosecond);

// Full redraw of a quick view 1000 pixels wide over a 1 M record: eight channels, slice, band and trigger.
void RedrawQuickView(benchmark::State &state) {
    App();
    TObjMasterTarn bus;
    TSettingsTarn settings;
    settings.SetDefaultCapabilities();
    settings.ChannelCount = 8;
    settings.Options = std::make_unique<TOptions>(&settings);
    settings.BringWithinCapabilities(settings.RequestedSettings());
    settings.ChannelsOn.assign(8, true);
    settings.ShownSettings().MemorySize = 1048576;
    settings.ShownSettings().AfterTrigger = 4096;
    settings.QuickViewOn = settings.ZoomOn = true;
    settings.QuickViewRatio = 16;
    settings.QuickViewStart = 300000;
    settings.DisplayStart = 1000;
    settings.DisplayRatio = 4;
    TDataSourceTarn source;
    source.SetSettings(&settings);
    source.SetObjMaster(&bus);
    TQVScreenTarn strip;
    strip.SetSettings(&settings);
    strip.SetDataSource(&source);
    strip.SetObjMaster(&bus);
    bus.Broadcast(bmInitialize, 0, nullptr);
    strip.resize(1000, 60);
    strip.SetVisible(true);
    strip.Paint(); // the bitmap takes the control's size
    for (int32_t c = 0; c < 8; ++c) {
        TChannelWave &w = source.QuickViewColumns(c);
        w.Columns.resize(1000);
        for (int j = 0; j < 1000; ++j) {
            const double v = 128 + 90 * std::sin(j * 0.05 + c);
            const int hi = std::clamp(int(v) + 20, 0, 255), lo = std::clamp(int(v) - 20, 0, 255);
            w.Columns[size_t(j)] = {uint8_t(hi), uint8_t(lo), uint8_t((hi + lo) / 2), 1};
        }
        w.Valid = true;
        w.Colour = 0x00FF00u << (c % 3);
    }
    for (auto _ : state) {
        strip.RedrawQuickView();
        benchmark::DoNotOptimize(strip.Bitmap().constBits());
    }
}
BENCHMARK(RedrawQuickView)->Unit(benchmark::kMicrosecond);

} // namespace
