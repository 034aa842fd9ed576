// A record of two channels of 1,048,576 samples through the loaded-record object: Capture from the screen
// alone, Capture plus the binary save, and the load path (binary load, AfterLoad, ShowTraces). The
// record-format benchmark's binary save is the reference for what Capture adds.
#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "records/LoadedData.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <unistd.h>

using namespace scope;

namespace {

constexpr int32_t Samples = 1048576;

// A two-channel instrument showing a record of Samples samples of a noisy sine on A and B.
struct TBenchScreen {
    TObjMasterTarn Bus;
    TSettingsTarn Settings;
    TDataSourceTarn Source;

    TBenchScreen() {
        Settings.SetDefaultCapabilities();
        Settings.VirtualChannelCount = 2;
        Settings.TimeBases = {{1e8, 1e8, 0, 1}};
        Settings.Ranges = {{0.5, 1}, {0.05, 2}};
        for (TDeviceSettings *d :
             {&Settings.RequestedSettings(), &Settings.AcquisitionSettings(), &Settings.ShownSettings()}) {
            d->MemorySize = Samples;
            Settings.BringWithinCapabilities(*d);
        }
        Settings.ChannelsOn = {1, 1, 0, 0, 1, 1};
        Settings.DisplayRatio = double(Samples) / 500;
        Source.SetSettings(&Settings);
        Source.SetObjMaster(&Bus);
        Bus.Broadcast(bmInitialize, 0, nullptr);
        std::mt19937 random(1);
        std::normal_distribution<double> noise(0, 1.5);
        TAcquiredData data(2);
        for (size_t ch = 0; ch < 2; ++ch) {
            data[ch].Data.resize(Samples);
            for (size_t i = 0; i < size_t(Samples); ++i) {
                const double v = 128 + 90 * std::sin(double(i) * (ch ? 0.0031 : 0.0007)) + noise(random);
                data[ch].Data[i] = uint8_t(std::lround(std::fmin(255, std::fmax(0, v))));
            }
            data[ch].First = 0;
            data[ch].Last = Samples - 1;
        }
        Source.SetAcquiredData(data);
    }
};

std::string FileName() {
    return "/tmp/saveload_record_bench_" + std::to_string(getpid()) + ".rsb";
}

// What the Save button does: the screen's record captured and written in the binary format.
bool CaptureAndSave(TBenchScreen &screen, const std::string &file) {
    TLoadedData record(screen.Settings);
    auto format = TSaveLoadFormatDesc[0].Create();
    record.Capture(screen.Settings, screen.Source);
    record.RegisterValues(*format);
    return format->SaveToFile(file) == slOK;
}

void BM_Capture(benchmark::State &state) {
    TBenchScreen screen;
    for (auto _ : state) {
        TLoadedData record(screen.Settings);
        record.Capture(screen.Settings, screen.Source);
        benchmark::DoNotOptimize(record.AcquiredData.data());
    }
}
BENCHMARK(BM_Capture)->Unit(benchmark::kMillisecond);

void BM_CaptureAndSaveBinary(benchmark::State &state) {
    TBenchScreen screen;
    const std::string file = FileName();
    for (auto _ : state)
        if (!CaptureAndSave(screen, file))
            state.SkipWithError("save failed");
    std::remove(file.c_str());
}
BENCHMARK(BM_CaptureAndSaveBinary)->Unit(benchmark::kMillisecond);

void BM_LoadAfterLoadShowTraces(benchmark::State &state) {
    TBenchScreen screen;
    const std::string file = FileName();
    if (!CaptureAndSave(screen, file))
        state.SkipWithError("save failed");
    for (auto _ : state) {
        TLoadedData record(screen.Settings);
        auto format = TSaveLoadFormatDesc[0].Create();
        record.RegisterValues(*format);
        if (format->LoadFromFile(file) != slOK || !format->AllValuesRead()) {
            state.SkipWithError("load failed");
            break;
        }
        record.AfterLoad();
        record.ShowTraces(screen.Settings, screen.Source);
    }
    std::remove(file.c_str());
}
BENCHMARK(BM_LoadAfterLoadShowTraces)->Unit(benchmark::kMillisecond);

} // namespace
