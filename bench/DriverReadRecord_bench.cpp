// The driver's read-out of one equivalent-time capture into an 8192-sample record, with the gap
// interpolation, as it runs once per capture. The instrument is a stub that answers at once.
#include "CaptureControl.h"
#include "DriverState.h"
#include "RecordReader.h"
#include "UsbPort.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int Len = 8192;
uint16_t Status = 0x4000;

std::vector<uint8_t> &FifoBytes() {
    static std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> b(2 * Len);
        for (int i = 0; i < Len; ++i) {
            b[2 * i] = static_cast<uint8_t>(128 + 90 * std::sin(i * 0.07));
            b[2 * i + 1] = static_cast<uint8_t>(128 + 60 * std::sin(i * 0.031));
        }
        return b;
    }();
    return bytes;
}

void NoWrite(int32_t, int32_t) {}
int32_t Read(int32_t reg) {
    return reg == 14 ? Len : Status;
}
void Fifo(int32_t, void *buffer, int32_t count) {
    std::memcpy(buffer, FifoBytes().data(), static_cast<size_t>(count));
}

void BM_ReadEquivalentTimeRecord(benchmark::State &state) {
    pellex::TUsbFunctions f;
    f.SingleWrite = NoWrite;
    f.SingleWriteWithoutFlush = NoWrite;
    f.SingleRead = Read;
    f.FIFORead = Fifo;
    pellex::TUsbPort port;
    port.UseFunctions(f);
    pellex::TSteadyTicks ticks;
    pellex::TMersenneSource random;
    pellex::TDriverState s;
    s.RecordLength = Len;
    s.TimePerDivision = 10; // f = 100, with the smoothing of that base
    s.EquivalentTime = true;
    s.EtsFactor = 100;
    s.TimeBaseWord = 0x0C00;
    s.AfterTrigger = 1024;
    s.AfterTriggerScaled = 11;
    s.GapInterpolation = true;
    s.EtsRecord = std::make_unique<pellex::TLinearPrediction>();
    s.EtsRecord->Clear(Len);
    pellex::TCaptureControl capture(s, port, ticks, random);
    pellex::TRecordReader reader(s, port, capture);
    std::vector<uint16_t> buffer(Len);
    std::mt19937 phases(7);
    std::uniform_int_distribution<int> phase(143, 249);
    for (auto _ : state) {
        Status = static_cast<uint16_t>(0x4000 | phase(phases));
        s.State = pellex::TCaptureState::Complete;
        int32_t count = 0;
        benchmark::DoNotOptimize(reader.Read(buffer.data(), count));
        benchmark::DoNotOptimize(buffer.data());
    }
}
BENCHMARK(BM_ReadEquivalentTimeRecord)->Unit(benchmark::kMicrosecond);

} // namespace
