// What the interface benchmarks share: an offscreen application, and the oscilloscope screen on default
// settings with its bus and data source, optionally showing four envelope traces as after a record.
#pragma once

#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "screens/ScopeScreenTarn.h"
#include "settings/OptionsTarn.h"
#include "settings/SettingsTarn.h"

#include <QApplication>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

namespace scope::bench {

inline QApplication &App() {
    static int argc = 1;
    static char name[] = "bench";
    static char *argv[] = {name, nullptr};
    static std::unique_ptr<QApplication> app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QApplication>(argc, argv);
    }();
    return *app;
}

struct TScreenRig {
    struct TAppFirst {
        TAppFirst() { App(); }
    } AppFirst; // before any widget
    TObjMasterTarn Bus;
    TSettingsTarn Settings;
    TDataSourceTarn Source;
    TScopeScreenTarn Screen;

    // Default settings with a display ratio of 1, changed by configure before the screen hears of them.
    TScreenRig(int width, int height, const std::function<void(TSettingsTarn &)> &configure) {
        Settings.SetDefaultCapabilities();
        Settings.Options = std::make_unique<TOptions>(&Settings);
        Settings.BringWithinCapabilities(Settings.RequestedSettings());
        Settings.StartAcquisitionSettings();
        Settings.ShowAcquisitionSettings();
        Settings.DisplayRatio = 1;
        configure(Settings);
        Source.SetSettings(&Settings);
        Source.SetObjMaster(&Bus);
        Screen.SetSettings(&Settings);
        Screen.SetDataSource(&Source);
        Screen.SetObjMaster(&Bus);
        Bus.Broadcast(bmInitialize, 0, nullptr);
        BroadcastSettingsApplied(Bus);
        Screen.resize(width, height);
        QImage target(width, height, QImage::Format_RGB32);
        Screen.render(&target); // the bitmap takes the control's size
    }

    // Envelope display with the grid and both cursor pairs on, every channel on.
    static void Envelopes(TSettingsTarn &s) {
        s.DisplayMode = 3;
        s.GridOn = s.VerCursorsOn = s.HorCursorsOn = true;
        s.GridIntensity = 0.7;
        s.ChannelsOn.assign(size_t(s.ChannelCount), true);
    }

    // Four noisy sines of 500 columns with envelopes 10 to 60 levels high, shown.
    void ShowFourEnvelopes() {
        for (int32_t c = 0; c < 4; ++c) {
            TChannelWave &w = Source.ScreenColumns(c);
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
        Bus.Broadcast(bmScreenDataReady, 0xF, nullptr);
    }
};

} // namespace scope::bench
