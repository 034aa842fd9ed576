// Feeds arbitrary bytes to one record file reader, chosen by RECORD_FORMAT (0 binary, 1 compressed,
// 2 text). With RECORD_SEEDS=<folder> it writes one valid record per format there, and the files of known
// faults, and exits.
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
    TRealArray GroundPos;
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
        f.AddValue("GroundPos", &GroundPos);
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
    r.GroundPos = {127.5, 130};
    auto save = [&](size_t row, const std::string &name) {
        auto f = TSaveLoadFormatDesc[row].Create();
        r.Register(*f);
        if (f->SaveToFile(folder + "/seed" + std::to_string(row) + name) != slOK)
            std::abort();
    };
    for (size_t row = 0; row < TSaveLoadFormatDesc.size(); ++row)
        save(row, "");
    // Files of known faults: a ground position past any level, and a channel one sample past the longest
    // record (its zeros deflate to about 1 KB).
    for (size_t row = 0; row < TSaveLoadFormatDesc.size(); ++row) {
        r.GroundPos = {row == 1 ? 6.5e150 : 1e308, 128};
        save(row, "_huge_ground_position");
    }
    r.GroundPos = {127.5, 130};
    r.Data.assign(1, TWaveform{});
    r.Data[0].Data.assign(size_t(RecordSampleLimit) + 1, 0);
    save(1, "_one_sample_past_the_limit");
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
    // A compressed record never holds more than the longest record there is.
    if (Format == 1 && result == slOK)
        for (const TWaveform &w : r.Data)
            if (w.Data.size() > size_t(RecordSampleLimit))
                std::abort();
    return 0;
}
