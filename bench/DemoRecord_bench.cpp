// Record generation of the demonstration instrument: a full-memory record on both channels.
#include "device/DemoDevice.h"

#include <benchmark/benchmark.h>

using namespace scope;

namespace {

void Setup(TDAO_DEMO &device, int32_t timeBase) {
    device.LoadDriver();
    device.OpenDevice(-1);
    for (int32_t ch = 0; ch < 2; ++ch) {
        device.SetRange(ch, 6);
        device.SetVerticalShift(ch, 2048);
    }
    device.SetTimeBase(timeBase);
    device.SetMemorySize(TDAO_DEMO::RingSize);
    device.SetAfterTrigger(TDAO_DEMO::RingSize);
    device.SetTriggerSource(0, 0, true);
    device.SetTriggerLevel(0, 150);
    device.SetTriggerLeading(0, 0, true);
}

// Samples per second counts both channels: 2 x 1,048,576 per record.
void BM_GenerateRecord(benchmark::State &state) {
    TDAO_DEMO device;
    Setup(device, static_cast<int32_t>(state.range(0)));
    int64_t samples = 0;
    for (auto _ : state) {
        // Without the trigger search the record is exactly the after-trigger part.
        device.GenerateRecord(false, true);
        samples += 2 * static_cast<int64_t>(device.GeneratedCount());
        benchmark::DoNotOptimize(device.Ring(0).data());
    }
    state.SetItemsProcessed(samples);
}
BENCHMARK(BM_GenerateRecord)->Arg(0)->Arg(13)->Arg(22)->Unit(benchmark::kMillisecond);

// A whole demonstration record through the device interface: trigger search, generation and copy-out.
void BM_TriggeredRecordRead(benchmark::State &state) {
    platform::TManualClock clock;
    platform::TMersenneRandom random(1);
    TDAO_DEMO device(clock, clock, random);
    Setup(device, 22);
    device.SetMemorySize(TDAO_DEMO::RingSize);
    TAcquiredData data(2);
    for (auto &w : data)
        w.Data.assign(TDAO_DEMO::RingSize, 0);
    int64_t samples = 0;
    for (auto _ : state) {
        device.StartAcquisition();
        while (device.ReadAcquisition(data) != asRecordRead) {
        }
        samples += 2 * static_cast<int64_t>(data[0].Last - data[0].First + 1);
    }
    state.SetItemsProcessed(samples);
}
BENCHMARK(BM_TriggeredRecordRead)->Unit(benchmark::kMillisecond);

} // namespace
