// Feeds arbitrary bytes to one record file reader, chosen by RECORD_FORMAT (0 binary, 1 compressed,
// 2 text). With RECORD_SEEDS=<folder> it writes one valid record per format there and exits.
#include "records/SaveLoadFormatsTarn.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace scope;

namespace {

int Format = 0;

struct TRecord {
    int32_t MemorySize = 0, Mode = 0;
    double TimeBase = 0;
    TRealArray Range;
    TIntArray Shift;
    TBoolArray Filter;
    std::array<int32_t, 2> Count{};
    bool Simple = false;
    TAcquiredData Data;

    void Register(TSaveLoadFormat &f) {
        f.AddValue("MemorySize", &MemorySize);
        f.AddValue("TimeBase", &TimeBase);
        f.AddValue("Range", &Range);
        f.AddValue("Shift", &Shift);
        f.AddValue("Filter", &Filter);
        f.AddValue("TriggerCount", &Count);
        f.AddValue("TriggerMode", &Mode);
        f.AddValue("SimpleTrigger", &Simple);
        f.AddValue("AcquiredData", &Data);
    }
};

void WriteSeeds(const std::string &folder) {
    TRecord r;
    r.MemorySize = 8;
    r.TimeBase = 2.5e-7;
    r.Range = {0.5, 0.05};
    r.Shift = {-3, 4};
    r.Filter = {1, 0};
    r.Count = {1, 2};
    r.Simple = true;
    r.Data.resize(3);
    r.Data[0].Data = {1, 2, 3, 4, 5, 6, 7, 8};
    r.Data[2].Data = {255, 0};
    for (size_t row = 0; row < TSaveLoadFormatDesc.size(); ++row) {
        auto f = TSaveLoadFormatDesc[row].Create();
        r.Register(*f);
        if (f->SaveToFile(folder + "/seed" + std::to_string(row)) != slOK)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    if (const char *seeds = std::getenv("RECORD_SEEDS")) {
        WriteSeeds(seeds);
        std::exit(0);
    }
    if (const char *format = std::getenv("RECORD_FORMAT"))
        Format = std::atoi(format);
    if (Format < 0 || Format > 2)
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    TRecord r;
    auto f = TSaveLoadFormatDesc[size_t(Format)].Create();
    r.Register(*f);
    TRecordMemoryReadStream stream(data, size);
    int32_t result = f->LoadFromStream(stream);
    if (result != slOK && result != slReadFailed)
        std::abort();
    return 0;
}
