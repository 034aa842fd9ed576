#include "records/SaveLoadFormatsTarn.h"

#include "platform/Platform.h"
#include "testkit/TestFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <typeinfo>
#include <zlib.h>

namespace scope {

bool operator==(const TWaveform &a, const TWaveform &b) {
    return a.Data == b.Data;
}

namespace {

namespace fs = std::filesystem;

// A folder of its own for each test, emptied first.
std::string TestFolder() {
    return FreshTestFolder().string();
}

std::string ReadFile(const std::string &path) {
    std::string s;
    EXPECT_TRUE(platform::ReadWholeFile(path, s)) << path;
    return s;
}

void WriteFile(const std::string &path, const std::string &contents) {
    ASSERT_TRUE(platform::WriteFileAtomically(path, contents)) << path;
}

// Little-endian fields for expected files.
std::string I32(int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = char(static_cast<uint32_t>(v) >> (8 * i));
    return s;
}
std::string F64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    return I32(int32_t(uint32_t(bits))) + I32(int32_t(uint32_t(bits >> 32)));
}
std::string Chunk(int32_t id, const std::string &payload) {
    return I32(int32_t(8 + payload.size())) + I32(id) + payload;
}
std::string Deflated(const std::vector<uint8_t> &data) {
    uLongf size = compressBound(uLong(data.size()));
    std::string out(size, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef *>(out.data()), &size, data.data(), uLong(data.size()), 9),
              Z_OK);
    out.resize(size);
    return out;
}
std::string Text(const std::vector<uint8_t> &data) {
    return std::string(data.begin(), data.end());
}

TWaveform Wave(std::vector<uint8_t> data) {
    TWaveform w;
    w.Data = std::move(data);
    return w;
}

std::unique_ptr<TSaveLoadFormat> Make(int row) {
    return TSaveLoadFormatDesc[size_t(row)].Create();
}
const int Bin = 0, Zip = 1, Txt = 2;

// Every value a record holds, registered in the order the application uses.
struct TRecord {
    int32_t MemorySize = 0, WCD = 0, TriggerMode = 0, ATMode = 0, HFMode = 0, AfterTrigger = 0, HoldOff = 0;
    double TimeBase = 0;
    TRealArray Range, GroundPos;
    TIntArray Shift, FilterFactor, TriggerLevel, ProbeMode, FirstValid, LastValid;
    TBoolArray Filter, SrcOnPrimary, SrcOnSecondary, LeadingPrimary, LeadingSecondary, Ground, DC;
    std::array<int32_t, 2> Count{}, Length{};
    bool Simple = false;
    TAcquiredData Data;

    void Register(TSaveLoadFormat &f, const std::string &skip = "") {
        auto add = [&](const char *name, TValueRef v) {
            if (skip != name)
                f.AddValue(name, v);
        };
        add("MemorySize", &MemorySize);
        add("TimeBase", &TimeBase);
        add("WCDSensitivity", &WCD);
        add("Range", &Range);
        add("Shift", &Shift);
        add("Filter", &Filter);
        add("FilterFactor", &FilterFactor);
        add("TriggerSrcOnPrimary", &SrcOnPrimary);
        add("TriggerSrcOnSecondary", &SrcOnSecondary);
        add("TriggerSrcLeadingPrimary", &LeadingPrimary);
        add("TriggerSrcLeadingSecondary", &LeadingSecondary);
        add("TriggerLevel", &TriggerLevel);
        add("TriggerCount", &Count);
        add("TriggerLength", &Length);
        add("TriggerMode", &TriggerMode);
        add("ATMode", &ATMode);
        add("HFMode", &HFMode);
        add("SimpleTrigger", &Simple);
        add("AfterTriggerSamples", &AfterTrigger);
        add("HoldOffSamples", &HoldOff);
        add("ProbeMode", &ProbeMode);
        add("Ground", &Ground);
        add("DC", &DC);
        add("GroundPos", &GroundPos);
        add("FirstValidSample", &FirstValid);
        add("LastValidSample", &LastValid);
        add("AcquiredData", &Data);
    }
    bool operator==(const TRecord &) const = default;
};

TRecord SampleRecord(size_t samples) {
    TRecord r;
    r.MemorySize = int32_t(samples);
    r.TimeBase = 100000000;
    r.WCD = 3;
    r.Range = {0.5, 0.05};
    r.Shift = {-120, 77};
    r.Filter = {1, 0};
    r.FilterFactor = {4, 16};
    r.SrcOnPrimary = {1, 0, 1};
    r.SrcOnSecondary = {0, 0, 1};
    r.LeadingPrimary = {1, 1, 0};
    r.LeadingSecondary = {0, 1, 0};
    r.TriggerLevel = {128, 64, 200};
    r.Count = {1, 65535};
    r.Length = {-4, 1024};
    r.TriggerMode = 2;
    r.ATMode = 1;
    r.HFMode = 0;
    r.Simple = true;
    r.AfterTrigger = 500;
    r.HoldOff = -1;
    r.ProbeMode = {0, 3};
    r.Ground = {0, 1};
    r.DC = {1, 0};
    r.GroundPos = {127.5, -3.25e-7};
    std::mt19937 random(7);
    TWaveform a, b;
    a.Data.resize(samples);
    b.Data.resize(samples / 2 + 1);
    for (auto &s : a.Data)
        s = uint8_t(random());
    for (auto &s : b.Data)
        s = uint8_t(random());
    r.Data = {a, TWaveform{}, b, Wave({0, 255})};
    r.FirstValid = {0, 0, 3, 0};
    r.LastValid = {int32_t(samples) - 1, -1, 9, 1};
    return r;
}

// ---- one value of each kind: exact bytes and lines, and read back ----

using THeld = std::variant<int32_t, double, TIntArray, TBoolArray, TRealArray, std::array<int32_t, 2>, bool,
                           TAcquiredData>;

TValueRef RefTo(THeld &held) {
    return std::visit(
        [](auto &v) -> TValueRef {
            if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::array<int32_t, 2>>)
                return TPairRef(&v);
            else
                return &v;
        },
        held);
}

struct TKindCase {
    const char *Name;
    THeld Value;
    std::string BinPayload;
    std::string ZipPayload; // empty: as the binary one
    std::string Lines;
};

std::vector<TKindCase> KindCases() {
    const std::vector<uint8_t> a = {12, 128, 255, 0}, c = {7};
    std::vector<uint8_t> ramp(70000);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = uint8_t(i % 251);
    std::string rampText;
    for (size_t i = 0; i < ramp.size(); ++i)
        rampText += (i ? "," : "") + std::to_string(ramp[i]);
    return {
        {"MemorySize", int32_t(8192), I32(8192), "", "MemorySize = 8192\r\n"},
        {"HoldOffSamples", int32_t(-2147483647 - 1), I32(-2147483647 - 1), "",
         "HoldOffSamples = -2147483648\r\n"},
        {"TimeBase", 100000000.0, F64(1e8), "", "TimeBase = 100000000\r\n"},
        {"TimeBase", -0.5, F64(-0.5), "", "TimeBase = -0.5\r\n"},
        {"TimeBase", 1e-6, F64(1e-6), "", "TimeBase = 1E-6\r\n"},
        {"TimeBase", 0.00001, F64(0.00001), "", "TimeBase = 0.00001\r\n"},
        {"TimeBase", 1.5e20, F64(1.5e20), "", "TimeBase = 1.5E20\r\n"},
        {"TimeBase", 0.0, F64(0), "", "TimeBase = 0\r\n"},
        {"Range", TRealArray{0.5, 0.05}, I32(2) + I32(2) + F64(0.5) + F64(0.05), "",
         "Range[2] = 0.5,0.05\r\n"},
        {"GroundPos", TRealArray{}, I32(0) + I32(0), "", "GroundPos[0] = \r\n"},
        {"Shift", TIntArray{-3, 2147483647}, I32(2) + I32(2) + I32(-3) + I32(2147483647), "",
         "Shift[2] = -3,2147483647\r\n"},
        {"Filter", TBoolArray{1, 0, 1}, I32(3) + I32(3) + std::string("\1\0\1", 3), "",
         "Filter[3] = 1,0,1\r\n"},
        {"DC", TBoolArray{}, I32(0) + I32(0), "", "DC[0] = \r\n"},
        {"TriggerCount", std::array<int32_t, 2>{1, -7}, I32(1) + I32(-7), "", "TriggerCount[2] = 1,-7\r\n"},
        {"SimpleTrigger", true, I32(1), "", "SimpleTrigger = 1\r\n"},
        {"SimpleTrigger", false, I32(0), "", "SimpleTrigger = 0\r\n"},
        {"AcquiredData", TAcquiredData{Wave(a), TWaveform{}, Wave(c)},
         I32(3) + I32(3) + I32(4) + I32(4) + Text(a) + I32(0) + I32(0) + I32(1) + I32(1) + Text(c),
         I32(3) + I32(3) + I32(4) + I32(4) + Deflated(a) + I32(0) + I32(0) + Deflated({}) + I32(1) + I32(1) +
             Deflated(c),
         "AcquiredData.0[4] = 12,128,255,0\r\nAcquiredData.1[0] = \r\nAcquiredData.2[1] = 7\r\n"},
        // Longer than one piece of text output.
        {"AcquiredData", TAcquiredData{Wave(ramp)}, I32(1) + I32(1) + I32(70000) + I32(70000) + Text(ramp),
         I32(1) + I32(1) + I32(70000) + I32(70000) + Deflated(ramp),
         "AcquiredData.0[70000] = " + rampText + "\r\n"},
    };
}

TEST(SaveLoadFormats, EachKindHasItsExactBytesAndLinesAndReadsBack) {
    const std::string dir = TestFolder();
    for (const TKindCase &k : KindCases()) {
        int32_t id = -1;
        for (const TValueIDRow &row : TValueID)
            if (k.Name == std::string(row.TxtID))
                id = row.BinID;
        const std::string expected[3] = {
            Chunk(id, k.BinPayload), Chunk(id, k.ZipPayload.empty() ? k.BinPayload : k.ZipPayload), k.Lines};
        for (int format : {Bin, Zip, Txt}) {
            SCOPED_TRACE(std::string(k.Name) + " in format " + std::to_string(format));
            const std::string file = dir + "/v." + TSaveLoadFormatDesc[size_t(format)].Extension;
            THeld value = k.Value;
            auto writer = Make(format);
            writer->AddValue(k.Name, RefTo(value));
            ASSERT_EQ(writer->SaveToFile(file), slOK);
            EXPECT_EQ(ReadFile(file), expected[format]);

            THeld back = k.Value;
            std::visit([](auto &v) { v = {}; }, back);
            auto reader = Make(format);
            reader->AddValue(k.Name, RefTo(back));
            ASSERT_EQ(reader->LoadFromFile(file), slOK);
            EXPECT_TRUE(reader->AllValuesRead());
            EXPECT_TRUE(back == k.Value);
        }
    }
}

// ---- whole records ----

class SaveLoadFormatsEach : public testing::TestWithParam<int> {};

TEST_P(SaveLoadFormatsEach, FullRecordRoundTripsExactly) {
    const std::string file = TestFolder() + "/record." + TSaveLoadFormatDesc[size_t(GetParam())].Extension;
    TRecord saved = SampleRecord(1048576);
    auto writer = Make(GetParam());
    saved.Register(*writer);
    ASSERT_EQ(writer->SaveToFile(file), slOK);

    // Stale content in the variables must not survive the load.
    TRecord loaded;
    loaded.Data.resize(GetParam() == Txt ? 0 : 9);
    loaded.Range = {1, 2, 3, 4, 5};
    auto reader = Make(GetParam());
    loaded.Register(*reader);
    ASSERT_EQ(reader->LoadFromFile(file), slOK);
    EXPECT_TRUE(reader->AllValuesRead());
    EXPECT_TRUE(loaded == saved);
}

TEST_P(SaveLoadFormatsEach, MissingValueLoadsButIsReported) {
    const std::string file = TestFolder() + "/record." + TSaveLoadFormatDesc[size_t(GetParam())].Extension;
    TRecord saved = SampleRecord(100);
    auto writer = Make(GetParam());
    saved.Register(*writer, "GroundPos");
    ASSERT_EQ(writer->SaveToFile(file), slOK);

    TRecord loaded;
    auto reader = Make(GetParam());
    loaded.Register(*reader);
    ASSERT_EQ(reader->LoadFromFile(file), slOK);
    EXPECT_FALSE(reader->AllValuesRead());
    EXPECT_EQ(loaded.Data, saved.Data);

    TRecord optional;
    auto tolerant = Make(GetParam());
    optional.Register(*tolerant, "GroundPos");
    tolerant->AddValue("GroundPos", &optional.GroundPos, vfOptional);
    ASSERT_EQ(tolerant->LoadFromFile(file), slOK);
    EXPECT_TRUE(tolerant->AllValuesRead());
}

TEST_P(SaveLoadFormatsEach, OpenAndCreateFailuresHaveTheirCodes) {
    const std::string dir = TestFolder();
    TRecord r = SampleRecord(10);
    auto f = Make(GetParam());
    r.Register(*f);
    EXPECT_EQ(f->SaveToFile(dir + "/missing/record"), slCannotCreate);
    EXPECT_EQ(f->SaveToFile(dir), slCannotCreate);
    EXPECT_EQ(f->LoadFromFile(dir + "/missing"), slCannotOpen);
    EXPECT_EQ(f->LoadFromFile(dir), slCannotOpen);
    // An empty file holds no values.
    WriteFile(dir + "/empty", "");
    EXPECT_EQ(f->LoadFromFile(dir + "/empty"), slOK);
    EXPECT_FALSE(f->AllValuesRead());
}

TEST_P(SaveLoadFormatsEach, FailedWriteKeepsThePreviousFile) {
    const std::string dir = TestFolder();
    const std::string file = dir + "/record";
    WriteFile(file, "previous");
    TRecord r = SampleRecord(1 << 20);
    auto f = Make(GetParam());
    r.Register(*f);

    // The file system refuses to grow the file past 64 KiB, as a full disk would.
    rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 65536;
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int32_t result = f->SaveToFile(file);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(result, slWriteFailed);
    EXPECT_EQ(ReadFile(file), "previous");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_P(SaveLoadFormatsEach, ReadOnlyTargetCannotBeCreated) {
    const std::string file = TestFolder() + "/record";
    WriteFile(file, "previous");
    ASSERT_EQ(chmod(file.c_str(), 0444), 0);
    TRecord r = SampleRecord(10);
    auto f = Make(GetParam());
    r.Register(*f);
    EXPECT_EQ(f->SaveToFile(file), slCannotCreate);
    EXPECT_EQ(ReadFile(file), "previous");
}

INSTANTIATE_TEST_SUITE_P(Formats, SaveLoadFormatsEach, testing::Values(Bin, Zip, Txt), [](const auto &info) {
    return std::string(TSaveLoadFormatDesc[size_t(info.param)].Extension);
});

TEST(SaveLoadFormats, TextRealThatHasNoTextFormFailsTheSaveAndKeepsTheFile) {
    const std::string file = TestFolder() + "/record.rsa";
    WriteFile(file, "previous");
    double nan = std::numeric_limits<double>::quiet_NaN();
    auto f = Make(Txt);
    f->AddValue("TimeBase", &nan);
    EXPECT_EQ(f->SaveToFile(file), slWriteFailed);
    EXPECT_EQ(ReadFile(file), "previous");
}

TEST(SaveLoadFormats, TextUsesPointWhateverTheLocaleSeparator) {
    const std::string file = TestFolder() + "/record.rsa";
    platform::SetDecimalSeparator(',');
    TRealArray range = {0.5, 0.05};
    auto f = Make(Txt);
    f->AddValue("Range", &range);
    EXPECT_EQ(f->SaveToFile(file), slOK);
    TRealArray back;
    auto g = Make(Txt);
    g->AddValue("Range", &back);
    EXPECT_EQ(g->LoadFromFile(file), slOK);
    platform::SetDecimalSeparator('.');
    EXPECT_EQ(ReadFile(file), "Range[2] = 0.5,0.05\r\n");
    EXPECT_EQ(back, range);
}

// ---- registration and the format table ----

TEST(SaveLoadFormats, AddValueMatchesNamesExactlyAndChecksTheVariable) {
    auto f = Make(Bin);
    int32_t i = 0;
    double d = 0;
    try {
        f->AddValue("memorysize", &i);
        FAIL() << "a name in other letter case was accepted";
    } catch (const Exception &e) {
        EXPECT_STREQ(e.what(), "Unable to match TxtID with value");
    }
    EXPECT_THROW(f->AddValue("NoSuchValue", &i), Exception);
    EXPECT_THROW(f->AddValue("MemorySize", &d), Exception);
    EXPECT_THROW(f->AddValue("MemorySize", static_cast<int32_t *>(nullptr)), Exception);
    EXPECT_NO_THROW(f->AddValue("MemorySize", &i));
    int32_t pair[2] = {0, 0};
    EXPECT_NO_THROW(f->AddValue("TriggerLength", &pair));
}

TEST(SaveLoadFormats, ValueTableRowsAreTheirBinIDs) {
    ASSERT_EQ(TValueID.size(), 28u);
    for (size_t row = 0; row < TValueID.size(); ++row) {
        EXPECT_EQ(TValueID[row].BinID, int32_t(row));
        EXPECT_EQ(TValueID[row].MinVersion, 0);
    }
    EXPECT_STREQ(TValueID[18].TxtID, "AcquiredData");
    EXPECT_EQ(TValueID[18].Kind, TValueKind::ChannelSamples);
    EXPECT_STREQ(TValueID[27].TxtID, "WCDSensitivity");
}

TEST(SaveLoadFormats, FormatTableDescribesTheThreeFormats) {
    struct {
        const char *Description, *Extension;
        uint32_t Flags;
        bool (*IsClass)(TSaveLoadFormat *);
    } expected[] = {
        {"TRN Scope Binary format", "rsb", 3,
         [](TSaveLoadFormat *f) { return typeid(*f) == typeid(TSaveLoadFormatBin); }},
        {"TRN Scope Compressed format", "rsc", 3,
         [](TSaveLoadFormat *f) { return dynamic_cast<TSaveLoadFormatZip *>(f) != nullptr; }},
        {"TRN Scope ASCII format", "rsa", 7,
         [](TSaveLoadFormat *f) { return dynamic_cast<TSaveLoadFormatText *>(f) != nullptr; }},
    };
    for (size_t row = 0; row < 3; ++row) {
        EXPECT_STREQ(TSaveLoadFormatDesc[row].Description, expected[row].Description);
        EXPECT_STREQ(TSaveLoadFormatDesc[row].Extension, expected[row].Extension);
        EXPECT_EQ(TSaveLoadFormatDesc[row].Flags, expected[row].Flags);
        auto f = TSaveLoadFormatDesc[row].Create();
        EXPECT_TRUE(expected[row].IsClass(f.get())) << row;
    }
}

// ---- damaged binary and compressed files ----

// A small record: an integer, an array and the samples.
struct TSmall {
    int32_t MemorySize = 0;
    TIntArray Shift;
    TAcquiredData Data;
    void Register(TSaveLoadFormat &f) {
        f.AddValue("MemorySize", &MemorySize);
        f.AddValue("Shift", &Shift);
        f.AddValue("AcquiredData", &Data);
    }
};

// Loads the bytes in a format into the values; *all tells whether every registered value was read.
template <class TValues>
int32_t LoadBytes(int format, const std::string &bytes, TValues &into, bool *all = nullptr) {
    auto f = Make(format);
    into.Register(*f);
    TRecordMemoryReadStream stream(bytes.data(), bytes.size());
    int32_t result = f->LoadFromStream(stream);
    if (all)
        *all = f->AllValuesRead();
    return result;
}

TEST(SaveLoadFormats, BinaryReaderSkipsUnknownChunks) {
    std::string file = Chunk(99, "abc") + Chunk(19, I32(5)) + Chunk(0, I32(64)) + Chunk(-5, "") +
                       Chunk(3, I32(1) + I32(1) + I32(9)) + Chunk(18, I32(0) + I32(0));
    for (int format : {Bin, Zip}) {
        TSmall s;
        bool all = false;
        EXPECT_EQ(LoadBytes(format, file, s, &all), slOK);
        EXPECT_TRUE(all);
        EXPECT_EQ(s.MemorySize, 64);
        EXPECT_EQ(s.Shift, TIntArray{9});
    }
}

TEST(SaveLoadFormats, DamagedBinaryFilesAreCorrupt) {
    const std::string wave = I32(1) + I32(1) + I32(2) + I32(2) + "xy";
    struct {
        const char *What;
        int Format; // -1: both
        std::string Bytes;
    } cases[] = {
        {"head cut short", -1, I32(12) + "\0\0"},
        {"size 0", -1, I32(0) + I32(0) + I32(5)},
        {"size below the head", -1, I32(7) + I32(0) + I32(5)},
        {"negative size", -1, I32(-8) + I32(0) + I32(5)},
        {"size beyond the end", -1, I32(100) + I32(0) + I32(5)},
        {"unknown chunk beyond the end", -1, I32(100) + I32(99) + I32(5)},
        {"integer payload too short", -1, I32(10) + I32(0) + "\1\2"},
        {"integer payload too long", -1, Chunk(0, I32(5) + I32(6))},
        {"array counts differ", -1, Chunk(3, I32(2) + I32(1) + I32(4) + I32(5))},
        {"array count negative", -1, Chunk(3, I32(-1) + I32(-1))},
        {"array count huge", -1, Chunk(3, I32(0x7fffffff) + I32(0x7fffffff) + I32(1))},
        {"array count beyond its items", -1, Chunk(3, I32(3) + I32(3) + I32(1) + I32(2))},
        {"array items beyond the count", -1, Chunk(3, I32(1) + I32(1) + I32(1) + I32(2))},
        {"channel counts differ", -1, Chunk(18, I32(2) + I32(1) + I32(0) + I32(0))},
        {"channel count negative", -1, Chunk(18, I32(-2) + I32(-2))},
        {"channel count huge", -1, Chunk(18, I32(0x40000000) + I32(0x40000000) + I32(0) + I32(0))},
        {"channel lengths differ", Bin, Chunk(18, I32(1) + I32(1) + I32(2) + I32(1) + "xy")},
        {"channel length negative", Bin, Chunk(18, I32(1) + I32(1) + I32(-2) + I32(-2))},
        {"channel length huge", Bin, Chunk(18, I32(1) + I32(1) + I32(0x7fffffff) + I32(0x7fffffff) + "xy")},
        {"channel beyond its chunk", Bin, Chunk(18, I32(1) + I32(1) + I32(5) + I32(5) + "xy")},
        {"bytes after the channels", Bin, Chunk(18, wave + "z")},
        {"second chunk cut", -1, Chunk(0, I32(1)) + I32(12) + I32(0) + "\1"},
    };
    for (const auto &c : cases)
        for (int format : {Bin, Zip}) {
            if (c.Format >= 0 && c.Format != format)
                continue;
            TSmall s;
            EXPECT_EQ(LoadBytes(format, c.Bytes, s), slReadFailed) << c.What << " in format " << format;
        }
}

TEST(SaveLoadFormats, DamagedCompressedStreamsAreCorrupt) {
    const std::vector<uint8_t> five = {1, 2, 3, 4, 5};
    const std::string stream = Deflated(five);
    auto channel = [](int32_t len, const std::string &s) {
        return Chunk(18, I32(1) + I32(1) + I32(len) + I32(len) + s);
    };
    struct {
        const char *What;
        std::string Bytes;
    } cases[] = {
        {"inflates to more than its length", channel(4, stream)},
        {"inflates to fewer than its length", channel(6, stream)},
        {"stream cut short", channel(5, stream.substr(0, stream.size() - 3))},
        {"trailer damaged", channel(5, stream.substr(0, stream.size() - 1) + char(stream.back() ^ 1))},
        {"not a zlib stream", channel(5, "garbage!")},
        {"raw samples in place of a stream", channel(5, Text(five))},
        {"huge length with a tiny stream", channel(0x7fffffff, stream)},
        {"bytes after the last stream", channel(5, stream + "z")},
        {"lengths differ", Chunk(18, I32(1) + I32(1) + I32(5) + I32(4) + stream)},
        {"empty channel without its stream", Chunk(18, I32(1) + I32(1) + I32(0) + I32(0))},
        {"second channel missing its stream",
         Chunk(18, I32(2) + I32(2) + I32(5) + I32(5) + stream + I32(5) + I32(5))},
    };
    for (const auto &c : cases) {
        TSmall s;
        EXPECT_EQ(LoadBytes(Zip, c.Bytes, s), slReadFailed) << c.What;
    }
    TSmall good;
    EXPECT_EQ(LoadBytes(Zip, channel(5, stream), good), slOK);
    ASSERT_EQ(good.Data.size(), 1u);
    EXPECT_EQ(good.Data[0].Data, five);
}

// A compressed chunk may hold at most the largest record there is: RecordSampleLimit samples a channel,
// RecordChannelLimit channels of them. Past that it is refused before more is inflated.
TEST(SaveLoadFormats, CompressedChunksNeverInflatePastTheLargestRecord) {
    const size_t limit = size_t(RecordSampleLimit);
    const std::string full = Deflated(std::vector<uint8_t>(limit, 0));
    const std::string onePast = Deflated(std::vector<uint8_t>(limit + 1, 0));
    // About 16 KB of file that inflates to sixteen times the limit.
    const std::string bomb = Deflated(std::vector<uint8_t>(16 * limit, 0));
    auto chunk = [](const std::vector<std::pair<size_t, const std::string *>> &channels) {
        std::string payload = I32(int32_t(channels.size())) + I32(int32_t(channels.size()));
        for (const auto &[length, stream] : channels)
            payload += I32(int32_t(length)) + I32(int32_t(length)) + *stream;
        return Chunk(18, payload);
    };
    struct {
        const char *What;
        std::string Bytes;
        int32_t Result;
        size_t Channels;
    } cases[] = {
        {"one channel of the limit", chunk({{limit, &full}}), slOK, 1},
        {"one channel one sample past the limit", chunk({{limit + 1, &onePast}}), slReadFailed, 0},
        {"the limit claimed by a stream of sixteen times as much", chunk({{limit, &bomb}}), slReadFailed, 0},
        {"as many channels of the limit as a record holds",
         chunk(
             std::vector<std::pair<size_t, const std::string *>>(size_t(RecordChannelLimit), {limit, &full})),
         slOK, size_t(RecordChannelLimit)},
        {"one channel more",
         chunk(std::vector<std::pair<size_t, const std::string *>>(size_t(RecordChannelLimit) + 1,
                                                                   {limit, &full})),
         slReadFailed, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.What);
        TSmall s;
        EXPECT_EQ(LoadBytes(Zip, c.Bytes, s), c.Result);
        if (c.Result != slOK)
            continue;
        ASSERT_EQ(s.Data.size(), c.Channels);
        for (const TWaveform &w : s.Data)
            EXPECT_EQ(w.Data, std::vector<uint8_t>(limit, 0));
    }
}

TEST(SaveLoadFormats, FileCutAnywhereIsCorruptUnlessCutBetweenChunks) {
    const std::string dir = TestFolder();
    for (int format : {Bin, Zip}) {
        TSmall saved;
        saved.MemorySize = 77;
        saved.Shift = {1, -2};
        saved.Data = {Wave({1, 2, 3, 1, 2, 3, 1, 2, 3}), TWaveform{}, Wave({200})};
        auto writer = Make(format);
        saved.Register(*writer);
        const std::string file = dir + "/small";
        ASSERT_EQ(writer->SaveToFile(file), slOK);
        const std::string bytes = ReadFile(file);
        std::vector<size_t> boundaries;
        for (size_t at = 0; at < bytes.size();) {
            boundaries.push_back(at);
            int32_t size;
            std::memcpy(&size, bytes.data() + at, 4);
            at += size_t(size);
        }
        ASSERT_EQ(boundaries.size(), 3u);
        for (size_t cut = 1; cut < bytes.size(); ++cut) {
            TSmall s;
            bool all = true;
            bool between = std::find(boundaries.begin(), boundaries.end(), cut) != boundaries.end();
            EXPECT_EQ(LoadBytes(format, bytes.substr(0, cut), s, &all), between ? slOK : slReadFailed)
                << "format " << format << " cut at " << cut;
            EXPECT_FALSE(all);
        }
    }
}

// ---- text reading ----

struct TTextValues {
    int32_t MemorySize = -1;
    TRealArray Range;
    std::array<int32_t, 2> Count{};
    bool Simple = false;
    TBoolArray Filter;
    TAcquiredData Data;
    void Register(TSaveLoadFormat &f) {
        f.AddValue("MemorySize", &MemorySize);
        f.AddValue("Range", &Range);
        f.AddValue("TriggerCount", &Count);
        f.AddValue("SimpleTrigger", &Simple);
        f.AddValue("Filter", &Filter);
        f.AddValue("AcquiredData", &Data);
    }
};

int32_t LoadText(const std::string &text, TTextValues &into, bool *all = nullptr) {
    return LoadBytes(Txt, text, into, all);
}

const std::string Complete = "MemorySize = 8192\r\nRange[2] = 0.5,0.05\r\nTriggerCount[2] = 1,2\r\n"
                             "SimpleTrigger = 1\r\nFilter[2] = 1,0\r\nAcquiredData.0[2] = 9,8\r\n";

TEST(SaveLoadFormats, TextReaderIsTolerantWhereTheFormatAllows) {
    struct {
        const char *What;
        std::string Text;
        std::function<void(const TTextValues &)> Check;
    } cases[] = {
        {"written order", Complete, [](const TTextValues &v) { EXPECT_EQ(v.MemorySize, 8192); }},
        {"another order and letter case",
         "acquireddata.0[2] = 9,8\r\nFILTER[2] = 1,0\r\nsimpletrigger = 1\r\ntriggercount[2] = 1,2\r\n"
         "range[2] = 0.5,0.05\r\nmemorysize = 8192\r\n",
         [](const TTextValues &v) {
             EXPECT_EQ(v.MemorySize, 8192);
             EXPECT_EQ(v.Range, (TRealArray{0.5, 0.05}));
             EXPECT_EQ(v.Count, (std::array<int32_t, 2>{1, 2}));
             EXPECT_TRUE(v.Simple);
             EXPECT_EQ(v.Filter, (TBoolArray{1, 0}));
             EXPECT_EQ(v.Data[0].Data, (std::vector<uint8_t>{9, 8}));
         }},
        {"a later line wins", Complete + "MemorySize = 16\r\nAcquiredData.0[1] = 3\r\n",
         [](const TTextValues &v) {
             EXPECT_EQ(v.MemorySize, 16);
             EXPECT_EQ(v.Data[0].Data, std::vector<uint8_t>{3});
         }},
        {"foreign lines are skipped whole",
         Complete + "Version = 0\r\nComment: made by version 1.2.3 [beta]\r\nFoo.bar.baz = 1\r\nx] = "
                    "MemorySize = 5\r\n"
                    "Other = MemorySize = 3\r\nOther.1 = AcquiredData.0[0] = \r\n\r\n   \r\n",
         [](const TTextValues &v) { EXPECT_EQ(v.MemorySize, 8192); }},
        {"line feeds alone, blanks around numbers and keys",
         "  MemorySize  =  8192 \n Range [ 2 ] = 0.5, 0.05\nTriggerCount[2]=1 , 2\nSimpleTrigger=1\n"
         "Filter[2]=1,0\nAcquiredData . 0 [ 2 ] = 9, 8 \n",
         [](const TTextValues &v) {
             EXPECT_EQ(v.Range, (TRealArray{0.5, 0.05}));
             EXPECT_EQ(v.Data[0].Data, (std::vector<uint8_t>{9, 8}));
         }},
        {"exponents with and without a sign", Complete + "Range[3] = 1E-6,2.5e+3,1E2\r\n",
         [](const TTextValues &v) {
             EXPECT_EQ(v.Range, (TRealArray{1e-6, 2500, 100}));
         }},
        {"channels in any order, empty and missing ones",
         Complete + "AcquiredData.3[1] = 4\r\nAcquiredData.2[0] = \r\nAcquiredData.0[3] = 0,255,17\r\n",
         [](const TTextValues &v) {
             ASSERT_EQ(v.Data.size(), 4u);
             EXPECT_EQ(v.Data[0].Data, (std::vector<uint8_t>{0, 255, 17}));
             EXPECT_TRUE(v.Data[1].Data.empty());
             EXPECT_TRUE(v.Data[2].Data.empty());
             EXPECT_EQ(v.Data[3].Data, std::vector<uint8_t>{4});
         }},
        {"samples and flags keep their low 8 bits",
         Complete + "AcquiredData.0[2] = 256,-1\r\nFilter[2] = 257,-2\r\n",
         [](const TTextValues &v) {
             EXPECT_EQ(v.Data[0].Data, (std::vector<uint8_t>{0, 255}));
             EXPECT_EQ(v.Filter, (TBoolArray{1, 254}));
         }},
        {"a Boolean is true only above 0", Complete + "SimpleTrigger = -1\r\n",
         [](const TTextValues &v) { EXPECT_FALSE(v.Simple); }},
        {"file ends inside the last channel line", Complete + "AcquiredData.1[2] = 4,5",
         [](const TTextValues &v) {
             EXPECT_EQ(v.Data[1].Data, (std::vector<uint8_t>{4, 5}));
         }},
    };
    for (const auto &c : cases) {
        TTextValues v;
        bool all = false;
        EXPECT_EQ(LoadText(c.Text, v, &all), slOK) << c.What;
        EXPECT_TRUE(all) << c.What;
        c.Check(v);
    }
}

TEST(SaveLoadFormats, TextKeyWithoutEqualsOnItsLineDoesNotMatch) {
    TTextValues v;
    bool all = true;
    EXPECT_EQ(LoadText("MemorySize\r\n= 5\r\nRange[1]\r\n= 2\r\n", v, &all), slOK);
    EXPECT_EQ(v.MemorySize, -1);
    EXPECT_TRUE(v.Range.empty());
    EXPECT_FALSE(all);
}

TEST(SaveLoadFormats, DamagedTextFilesAreCorrupt) {
    const char *cases[] = {
        "Range[2] = 0.5",
        "Range[1] = 0.5,0.6",
        "Range[2] = 0.5,,",
        "Range = 0.5",
        "Range[-1] = ",
        "Range[2] = 0.5,1e400",
        "Range[1] = nan",
        "Range[1] = 0,5",
        "Range[x] = 1",
        "Range[1]] = 1",
        "Range.0.1[1] = 1",
        "MemorySize = abc",
        "MemorySize = 1.5",
        "MemorySize = 2147483648",
        "MemorySize = ",
        "TriggerCount[2] = 5",
        "TriggerCount[2] = 5,x",
        "TriggerCount[2] = 1,2,3",
        "SimpleTrigger = yes",
        "Filter[2] = 1",
        "AcquiredData[2] = 1,2",
        "AcquiredData.0 = 1,2",
        "AcquiredData.x[1] = 1",
        "AcquiredData.0[3] = 1,2",
        "AcquiredData.0[1] = 1,2",
        "AcquiredData.0[2] = 1,",
        "AcquiredData.0[1] = 1,",
        "AcquiredData.0[2] = 1,x",
        "AcquiredData.0[2] = 1,2-",
        "AcquiredData.0[1] = 99999999999999999999",
        "AcquiredData.0[1] = ",
        "AcquiredData.0[0] = 5",
        "AcquiredData.-1[0] = ",
        "AcquiredData.0[-1] = ",
        "AcquiredData.2000000000[1] = 1",
        "AcquiredData.0[2147483647] = 1",
        "AcquiredData.0[3] = 1,2", // file ends before the third sample
    };
    for (const char *c : cases) {
        TTextValues v;
        EXPECT_EQ(LoadText(Complete + c + (std::string(c) == "AcquiredData.0[3] = 1,2" ? "" : "\r\n"), v),
                  slReadFailed)
            << c;
    }
}

} // namespace

} // namespace scope
