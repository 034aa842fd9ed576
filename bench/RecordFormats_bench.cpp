// Saving and loading a record of two channels of 1,048,576 samples in each record file format, beside a
// bare zlib compress / uncompress of the same samples.
#include "records/SaveLoadFormatsTarn.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

using namespace scope;

namespace {

constexpr size_t Samples = 1048576;

// A sine with noise on each channel, as an instrument records it.
TAcquiredData Channels() {
    std::mt19937 random(1);
    std::normal_distribution<double> noise(0, 1.5);
    TAcquiredData data(2);
    for (size_t ch = 0; ch < 2; ++ch) {
        data[ch].Data.resize(Samples);
        for (size_t i = 0; i < Samples; ++i) {
            double v = 128 + 90 * std::sin(double(i) * (ch ? 0.0031 : 0.0007)) + noise(random);
            data[ch].Data[i] = uint8_t(std::lround(std::fmin(255, std::fmax(0, v))));
        }
    }
    return data;
}

struct TBenchRecord {
    int32_t MemorySize = int32_t(Samples), Mode = 2;
    double TimeBase = 1e8;
    TRealArray Range{0.5, 0.05}, GroundPos{127.5, 130.25};
    TIntArray Shift{10, -10}, First{0, 0}, Last{int32_t(Samples) - 1, int32_t(Samples) - 1};
    TBoolArray Filter{0, 1};
    std::array<int32_t, 2> Count{1, 1};
    bool Simple = true;
    TAcquiredData Data = Channels();

    void Register(TSaveLoadFormat &f) {
        f.AddValue("MemorySize", &MemorySize);
        f.AddValue("TimeBase", &TimeBase);
        f.AddValue("Range", &Range);
        f.AddValue("Shift", &Shift);
        f.AddValue("Filter", &Filter);
        f.AddValue("TriggerCount", &Count);
        f.AddValue("TriggerMode", &Mode);
        f.AddValue("SimpleTrigger", &Simple);
        f.AddValue("GroundPos", &GroundPos);
        f.AddValue("FirstValidSample", &First);
        f.AddValue("LastValidSample", &Last);
        f.AddValue("AcquiredData", &Data);
    }
};

std::string FileFor(int format) {
    return "/tmp/record_formats_bench_" + std::to_string(getpid()) + "." +
           TSaveLoadFormatDesc[size_t(format)].Extension;
}

uint64_t FileSize(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? uint64_t(st.st_size) : 0;
}

// Bytes processed are those of the file, so that the text rate reads as file text per second.
void BM_Save(benchmark::State &state) {
    const int format = int(state.range(0));
    TBenchRecord record;
    auto f = TSaveLoadFormatDesc[size_t(format)].Create();
    record.Register(*f);
    const std::string file = FileFor(format);
    for (auto _ : state)
        if (f->SaveToFile(file) != slOK)
            state.SkipWithError("save failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(FileSize(file)));
    state.counters["file_bytes"] = double(FileSize(file));
    std::remove(file.c_str());
}

void BM_Load(benchmark::State &state) {
    const int format = int(state.range(0));
    const std::string file = FileFor(format);
    {
        TBenchRecord record;
        auto f = TSaveLoadFormatDesc[size_t(format)].Create();
        record.Register(*f);
        if (f->SaveToFile(file) != slOK)
            state.SkipWithError("save failed");
    }
    TBenchRecord into;
    auto f = TSaveLoadFormatDesc[size_t(format)].Create();
    into.Register(*f);
    for (auto _ : state)
        if (f->LoadFromFile(file) != slOK || !f->AllValuesRead())
            state.SkipWithError("load failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(FileSize(file)));
    std::remove(file.c_str());
}

BENCHMARK(BM_Save)->DenseRange(0, 2)->ArgName("format")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->DenseRange(0, 2)->ArgName("format")->UseRealTime()->Unit(benchmark::kMillisecond);

// What zlib level 9 alone costs for the same two channels: the floor of the compressed format.
void BM_BareZlibCompress(benchmark::State &state) {
    TAcquiredData data = Channels();
    std::vector<uint8_t> out(compressBound(Samples));
    for (auto _ : state)
        for (const TWaveform &w : data) {
            uLongf size = uLongf(out.size());
            compress2(out.data(), &size, w.Data.data(), uLong(w.Data.size()), 9);
            benchmark::DoNotOptimize(out.data());
        }
}

void BM_BareZlibUncompress(benchmark::State &state) {
    TAcquiredData data = Channels();
    std::vector<std::vector<uint8_t>> packed;
    for (const TWaveform &w : data) {
        uLongf size = compressBound(uLong(w.Data.size()));
        packed.emplace_back(size);
        compress2(packed.back().data(), &size, w.Data.data(), uLong(w.Data.size()), 9);
        packed.back().resize(size);
    }
    std::vector<uint8_t> out(Samples);
    for (auto _ : state)
        for (const auto &p : packed) {
            uLongf size = uLongf(out.size());
            uncompress(out.data(), &size, p.data(), uLong(p.size()));
            benchmark::DoNotOptimize(out.data());
        }
}

BENCHMARK(BM_BareZlibCompress)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareZlibUncompress)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
