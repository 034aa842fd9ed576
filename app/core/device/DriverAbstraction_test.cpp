#include "device/DriverAbstraction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <functional>
#include <unistd.h>

namespace scope {

namespace fs = std::filesystem;

namespace {

// A program folder of its own for each test, removed afterwards.
struct TProgramFolder {
    std::string Path;
    TProgramFolder() {
        std::string tmpl = std::string(TEST_OUTPUT_DIRECTORY) + "/progfolder.XXXXXX";
        std::vector<char> name(tmpl.begin(), tmpl.end());
        name.push_back(0);
        Path = mkdtemp(name.data());
    }
    ~TProgramFolder() { fs::remove_all(Path); }
};

struct TCall {
    int64_t Code, Reserved1, Reserved2, BufferSize, Value, ResultIn, HasBuffer, HasResult;
};

// A block each family's binding accepts.
std::vector<uint8_t> UsableBlock(const std::string &doubleName);

// One of the test doubles copied into a program folder under a family's file name, opened by the test
// too, so that the test scripts the same instance that the binding loads.
class TDriverDouble {
public:
    TDriverDouble(const std::string &folder, const std::string &doubleName, const std::string &fileName) {
        std::string path = folder + "/" + fileName;
        fs::copy_file(std::string(DRIVER_DOUBLES_DIR) + "/driverdouble_" + doubleName + ".so", path);
        Handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!Handle)
            throw std::runtime_error(dlerror());
        Bind(Reset, "dbl_Reset");
        Bind(SetBlock, "dbl_SetBlock");
        Bind(SetInitResult, "dbl_SetInitResult");
        Bind(SetAnswer, "dbl_SetAnswer");
        Bind(SetVersion, "dbl_SetVersion");
        Bind(SetEnumeration, "dbl_SetEnumeration");
        Bind(SetPoll, "dbl_SetPoll");
        Bind(SetRecord, "dbl_SetRecord");
        Bind(CallCount, "dbl_CallCount");
        Bind(GetCall, "dbl_GetCall");
        Bind(ClearCalls, "dbl_ClearCalls");
        Bind(LinkByte, "dbl_LinkByte");
        Bind(SetLink, "dbl_SetLink");
        Bind(DeInitCount, "dbl_DeInitCount");
        Reset();
        const std::vector<uint8_t> block = UsableBlock(doubleName == "noexport" ? "pellan" : doubleName);
        SetBlock(block.data(), static_cast<int32_t>(block.size()));
    }
    ~TDriverDouble() { dlclose(Handle); }

    std::vector<TCall> Calls() const {
        std::vector<TCall> calls;
        for (int32_t i = 0; i < CallCount(); ++i) {
            int64_t f[8];
            GetCall(i, f);
            calls.push_back(TCall{f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]});
        }
        return calls;
    }
    // The calls that an action makes.
    std::vector<TCall> CallsOf(const std::function<void()> &action) {
        ClearCalls();
        action();
        return Calls();
    }

    void (*Reset)();
    void (*SetBlock)(const uint8_t *, int32_t);
    void (*SetInitResult)(int32_t);
    void (*SetAnswer)(int32_t, int32_t);
    void (*SetVersion)(uint8_t, uint8_t);
    void (*SetEnumeration)(const uint32_t *, int32_t);
    void (*SetPoll)(int32_t, int32_t);
    void (*SetRecord)(const uint8_t *, int32_t, int32_t);
    int32_t (*CallCount)();
    void (*GetCall)(int32_t, int64_t *);
    void (*ClearCalls)();
    const volatile uint8_t *(*LinkByte)();
    void (*SetLink)(uint8_t);
    int32_t (*DeInitCount)();

private:
    template <typename F> void Bind(F &f, const char *name) {
        f = reinterpret_cast<F>(dlsym(Handle, name));
        if (!f)
            throw std::runtime_error(name);
    }
    void *Handle;
};

struct TPellanTimeBase {
    double TimePerDiv, Interval;
    uint8_t EquivalentTime;
};

std::vector<uint8_t> PellanDescription(uint32_t ppd, uint32_t recordLength,
                                       const std::vector<TPellanTimeBase> &bases,
                                       const std::vector<uint32_t> &ranges, uint32_t timeBaseCount,
                                       uint32_t rangeCount) {
    std::vector<uint8_t> d(ddSize, 0);
    LePutU32(d.data(), ddCountTableCount, 11);
    LePutU32(d.data(), ddTimeBaseCount, timeBaseCount);
    LePutU32(d.data(), ddEtsRowCount, 6);
    for (size_t i = 0; i < bases.size(); ++i) {
        size_t row = PellTimeBaseRow(static_cast<int>(i));
        LePutF64(d.data(), row + tbTimePerDivision, bases[i].TimePerDiv);
        LePutF64(d.data(), row + tbSampleInterval, bases[i].Interval);
        LePutU8(d.data(), row + tbEquivalentTime, bases[i].EquivalentTime);
        LePutU16(d.data(), row + tbControlWord, 0xBEEF);
    }
    LePutU32(d.data(), ddRangeCount, rangeCount);
    for (size_t i = 0; i < ranges.size(); ++i) {
        LePutU32(d.data(), PellRangeRow(static_cast<int>(i)) + rrRangeKey, ranges[i]);
        LePutU16(d.data(), PellRangeRow(static_cast<int>(i)) + rrGainA1, 0x7777);
    }
    LePutU32(d.data(), ddScreenPoints, 10 * ppd);
    LePutU32(d.data(), ddPointsPerDivision, ppd);
    LePutU32(d.data(), ddRecordLength, recordLength);
    LePutU32(d.data(), ddDeviceType, 4);
    return d;
}

// A Pellan device object on a double, loaded, opened and with its capabilities read.
struct TPellanRig {
    TProgramFolder Folder;
    TDriverDouble Double{Folder.Path, "pellan", "pellexdrv.so"};
    platform::TManualClock Clock;
    TDAO_Pellan Device{Folder.Path, &Clock};
    TCapabilities Caps;

    explicit TPellanRig(uint32_t recordLength = 4096) {
        auto d = PellanDescription(50, recordLength, {{100, 1, 1}, {1e6, 2e4, 0}}, {10, 20, 50}, 2, 3);
        Double.SetBlock(d.data(), static_cast<int32_t>(d.size()));
        EXPECT_EQ(Device.LoadDriver(), drOk);
        EXPECT_EQ(Device.OpenDevice(-1), drOk);
        Device.GetCapabilities(Caps);
    }
};

TEST(DriverFamilies, TableInSearchOrder) {
    const auto &families = DeviceFamilies();
    EXPECT_EQ(families[0].SeriesName, "Pellan series");
    EXPECT_EQ(families[1].SeriesName, "Tarnel series");
    EXPECT_EQ(families[2].SeriesName, "Vaskel series");
    TProgramFolder folder;
    EXPECT_NE(dynamic_cast<TDAO_Pellan *>(families[0].DriverClass(folder.Path).get()), nullptr);
    auto tarnel = families[1].DriverClass(folder.Path);
    EXPECT_NE(dynamic_cast<TDAO_Tarnel *>(tarnel.get()), nullptr);
    EXPECT_EQ(dynamic_cast<TDAO_Vaskel *>(tarnel.get()), nullptr);
    EXPECT_NE(dynamic_cast<TDAO_Vaskel *>(families[2].DriverClass(folder.Path).get()), nullptr);
}

TEST(DriverBinding, LoadDriverResults) {
    for (const auto &row : DeviceFamilies()) {
        SCOPED_TRACE(row.SeriesName);
        TProgramFolder folder;
        EXPECT_EQ(row.DriverClass(folder.Path)->LoadDriver(), drNoLibrary);
    }
    {
        TProgramFolder folder;
        ASSERT_TRUE(platform::WriteFileAtomically(folder.Path + "/pellexdrv.so", "not a library"));
        EXPECT_EQ(TDAO_Pellan(folder.Path).LoadDriver(), drNoLibrary);
    }
    {
        TProgramFolder folder;
        TDriverDouble lib(folder.Path, "noexport", "vaskeldrv.so");
        TDAO_Vaskel device(folder.Path);
        EXPECT_EQ(device.LoadDriver(), drMissingExport);
        EXPECT_EQ(lib.CallCount(), 0);
        // Nothing is sent through a library that was given up.
        EXPECT_EQ(device.OpenDevice(-1), drDeviceNotFound);
        device.SetWCD(3);
        EXPECT_EQ(lib.CallCount(), 0);
    }
    {
        // Loaded, the library gets a link byte before anything else.
        TProgramFolder folder;
        TDriverDouble lib(folder.Path, "tarnel", "tarneldrv.so");
        TDAO_Tarnel device(folder.Path);
        EXPECT_EQ(device.LoadDriver(), drOk);
        auto calls = lib.Calls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].Code, dfSetLinkFlag);
        EXPECT_NE(calls[0].Value, 0);
    }
}

std::vector<uint8_t> OtherFamilyBlock(int32_t size, int32_t rowSize, uint32_t rangeCount,
                                      const std::vector<int32_t> &mv, uint32_t timeBaseCount);

std::vector<uint8_t> UsableBlock(const std::string &doubleName) {
    if (doubleName == "pellan")
        return PellanDescription(50, 4096, {{100, 1, 1}}, {10}, 1, 1);
    return doubleName == "tarnel" ? OtherFamilyBlock(tdTarnelSize, tdTarnelRowSize, 1, {10}, 1)
                                  : OtherFamilyBlock(tdVaskelSize, tdVaskelRowSize, 1, {10}, 1);
}

TEST(DriverBinding, OpenDeviceResultsAndLinkByte) {
    struct TCase {
        int32_t Init, Open;
    } cases[] = {{0, drOk},
                 {1, drNoUsbLibrary},
                 {2, drNoUsbEntry},
                 {3, drDeviceNotFound},
                 {4, drFpgaFailed},
                 {5, drCalibrationBroken},
                 {6, drDeviceNotFound},
                 {7, drUnknownDeviceType},
                 {8, drDeviceNotFound},
                 {-1, drDeviceNotFound}};
    struct TFamily {
        const char *Double, *File;
        int32_t Index;
        bool GapInterpolation, LinkAlways;
    } families[] = {{"pellan", "pellexdrv.so", -1, true, false},
                    {"tarnel", "tarneldrv.so", -1, false, true},
                    {"tarnel", "tarneldrv.so", 3, false, true},
                    {"vaskel", "vaskeldrv.so", -1, false, true}};
    for (const auto &f : families) {
        for (const auto &c : cases) {
            SCOPED_TRACE(testing::Message() << f.Double << " " << f.Index << " " << c.Init);
            TProgramFolder folder;
            TDriverDouble lib(folder.Path, f.Double, f.File);
            std::unique_ptr<TDriverAbstraction> device =
                f.Double[0] == 'p'   ? std::make_unique<TDAO_Pellan>(folder.Path)
                : f.Double[0] == 't' ? std::make_unique<TDAO_Tarnel>(folder.Path)
                                     : std::make_unique<TDAO_Vaskel>(folder.Path);
            ASSERT_EQ(device->LoadDriver(), drOk);
            const volatile uint8_t *scratch = lib.LinkByte();
            lib.SetInitResult(c.Init);
            auto calls = lib.CallsOf([&] { EXPECT_EQ(device->OpenDevice(f.Index), c.Open); });
            ASSERT_FALSE(calls.empty());
            if (f.Index < 0) {
                EXPECT_EQ(calls[0].Code, -1); // InitializeDevice
            } else {
                EXPECT_EQ(calls[0].Code, dfOpenByIndex);
                EXPECT_EQ(calls[0].Value, f.Index);
                EXPECT_EQ(calls[0].BufferSize, tdTarnelSize);
                EXPECT_TRUE(calls[0].HasBuffer);
            }
            std::vector<int64_t> after;
            for (size_t i = 1; i < calls.size(); ++i)
                after.push_back(calls[i].Code);
            const bool usable = DeviceUsable(c.Open);
            std::vector<int64_t> expected;
            if (usable && f.GapInterpolation)
                expected.push_back(dfSetGapInterpolation);
            if (usable || f.LinkAlways)
                expected.push_back(dfSetLinkFlag);
            EXPECT_EQ(after, expected);
            if (!expected.empty()) {
                EXPECT_NE(lib.LinkByte(), scratch);
                EXPECT_TRUE(device->IsCommunicationOK());
                lib.SetLink(1);
                EXPECT_FALSE(device->IsCommunicationOK());
                // Reopening a usable device clears the byte; a failed reopen leaves it as the link left it.
                lib.SetInitResult(c.Init);
                device->OpenDevice(f.Index);
                EXPECT_EQ(device->IsCommunicationOK(), usable);
                lib.SetLink(0);
                EXPECT_TRUE(device->IsCommunicationOK());
            }
        }
    }
}

TEST(DriverBinding, PellanCapabilitiesFromTheDescription) {
    TProgramFolder folder;
    TDriverDouble lib(folder.Path, "pellan", "pellexdrv.so");
    // Fastest first in the record; a row without a time per division and a zero range key are not rows.
    auto d = PellanDescription(40, 8192, {{100, 10, 1}, {0, 0, 0}, {2000.4, 10, 0}, {1e8, 5e5, 0}},
                               {10, 20, 0, 5000}, 4, 4);
    lib.SetBlock(d.data(), static_cast<int32_t>(d.size()));
    TDAO_Pellan device(folder.Path);
    ASSERT_EQ(device.LoadDriver(), drOk);
    ASSERT_EQ(device.OpenDevice(-1), drOk);
    TCapabilities c;
    c.TriggerLatency = 5;
    device.GetCapabilities(c);
    EXPECT_EQ(c.PointsOnScreen, 400);
    EXPECT_EQ(c.PointsPerDiv, 40);
    EXPECT_EQ(c.LevelCount, 256);
    EXPECT_EQ(c.LevelsPerDiv, 32);
    EXPECT_EQ(c.ChannelCount, 8);
    EXPECT_EQ(c.PhysicalChannelCount, 2);
    EXPECT_EQ(c.VirtualChannelCount, 2);
    EXPECT_EQ(c.TriggerSourceCount, 3);
    EXPECT_EQ(c.MemorySizes, TMemorySizeList{8192});
    ASSERT_EQ(c.TimeBases.size(), 3u);
    EXPECT_DOUBLE_EQ(c.TimeBases[0].SampleRate, 1e9 * 40 / 1e8);
    EXPECT_DOUBLE_EQ(c.TimeBases[0].RealSampleRate, 1e9 / 5e5);
    EXPECT_EQ(c.TimeBases[0].EquivalentTime, 0);
    EXPECT_EQ(c.TimeBases[0].DeviceValue, 100000000);
    EXPECT_DOUBLE_EQ(c.TimeBases[1].SampleRate, 1e9 * 40 / 2000.4);
    EXPECT_EQ(c.TimeBases[1].DeviceValue, 2000);
    EXPECT_DOUBLE_EQ(c.TimeBases[2].SampleRate, 4e8);
    EXPECT_DOUBLE_EQ(c.TimeBases[2].RealSampleRate, 1e8);
    EXPECT_EQ(c.TimeBases[2].EquivalentTime, 1);
    EXPECT_EQ(c.TimeBases[2].DeviceValue, 100);
    ASSERT_EQ(c.Ranges.size(), 3u);
    EXPECT_DOUBLE_EQ(c.Ranges[0].VoltsPerDiv, 0.01);
    EXPECT_EQ(c.Ranges[0].DeviceValue, 10);
    EXPECT_DOUBLE_EQ(c.Ranges[2].VoltsPerDiv, 5);
    EXPECT_EQ(c.Ranges[2].DeviceValue, 5000);
    EXPECT_EQ(c.ShiftMax, 4095);
    EXPECT_EQ(c.ShiftMin, 0);
    EXPECT_EQ(c.AfterTriggerMin, 1);
    EXPECT_EQ(c.AfterTriggerMax, 63457);
    EXPECT_EQ(c.HoldOffMin, 0);
    EXPECT_EQ(c.HoldOffMax, 131068);
    EXPECT_EQ(c.HoldOffStep, 4);
    EXPECT_EQ(c.CountMin, 1);
    EXPECT_EQ(c.CountMax, 32767);
    EXPECT_EQ(c.LengthMin, 0);
    EXPECT_EQ(c.LengthMax, 131068);
    EXPECT_EQ(c.LengthStep, 4);
    EXPECT_EQ(c.TriggerLatency, 5);

    // The stored counts start at 1024: a time-base change sends them again.
    auto calls = lib.CallsOf([&] { device.SetTimeBase(2000); });
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].Code, dfSetTimeBase);
    EXPECT_EQ(calls[0].Value, 2000);
    EXPECT_EQ(calls[1].Code, dfSetAfterTrigger);
    EXPECT_EQ(calls[1].Value, 1024);
    EXPECT_EQ(calls[2].Code, dfSetHoldOff);
    EXPECT_EQ(calls[2].Value, 256);

    // Counts beyond the record's slots are limited to them, and a record length beyond the read-out
    // buffer to its size.
    d = PellanDescription(50, 0xFFFFFFFF, {{100, 10, 1}}, {10}, 1000, 1000);
    for (int i = 0; i < ddTimeBaseSlots; ++i)
        LePutF64(d.data(), PellTimeBaseRow(i) + tbTimePerDivision, 100.0 * (i + 1));
    for (int i = 0; i < ddTimeBaseSlots; ++i)
        LePutF64(d.data(), PellTimeBaseRow(i) + tbSampleInterval, 1);
    for (int i = 0; i < ddRangeSlots; ++i)
        LePutU32(d.data(), PellRangeRow(i) + rrRangeKey, 10 * (i + 1));
    lib.SetBlock(d.data(), static_cast<int32_t>(d.size()));
    device.OpenDevice(-1);
    device.GetCapabilities(c);
    EXPECT_EQ(c.TimeBases.size(), static_cast<size_t>(ddTimeBaseSlots));
    EXPECT_EQ(c.TimeBases.front().DeviceValue, 100 * ddTimeBaseSlots);
    EXPECT_EQ(c.Ranges.size(), static_cast<size_t>(ddRangeSlots));
    EXPECT_EQ(c.MemorySizes, TMemorySizeList{TDAO_Pellan::ReadBufferSize / 2});
}

std::vector<uint8_t> OtherFamilyBlock(int32_t size, int32_t rowSize, uint32_t rangeCount,
                                      const std::vector<int32_t> &mv, uint32_t timeBaseCount) {
    std::vector<uint8_t> b(static_cast<size_t>(size), 0);
    LePutU32(b.data(), tdRangeCount, rangeCount);
    for (size_t i = 0; i < mv.size(); ++i)
        LePutU32(b.data(), tdRanges + 4 * i, static_cast<uint32_t>(mv[i]));
    LePutU32(b.data(), tdTimeBaseCount, timeBaseCount);
    struct TRow {
        int32_t Code;
        double Real, Effective, Factor;
    } rows[] = {{7, 1e8, 1e10, 100}, {8, 1e8, 1e8, 1.0}, {9, 5e5, 5e5, 1.0}};
    for (size_t i = 0; i < 3; ++i) {
        size_t row = tdTimeBases + i * static_cast<size_t>(rowSize);
        LePutU32(b.data(), row + tdRowDeviceCode, static_cast<uint32_t>(rows[i].Code));
        LePutF64(b.data(), row + tdRowRealRate, rows[i].Real);
        LePutF64(b.data(), row + tdRowEffectiveRate, rows[i].Effective);
        LePutF64(b.data(), row + tdRowEtsFactor, rows[i].Factor);
    }
    return b;
}

TEST(DriverBinding, OtherFamilyCapabilitiesFromTheirBlocks) {
    struct TCase {
        const char *Double, *File;
        int32_t BlockSize, RowSize;
        size_t MemorySizes;
        int32_t RecordLength;
    } cases[] = {{"tarnel", "tarneldrv.so", tdTarnelSize, tdTarnelRowSize, 11, 1048576},
                 {"vaskel", "vaskeldrv.so", tdVaskelSize, tdVaskelRowSize, 6, 32768}};
    for (const auto &f : cases) {
        SCOPED_TRACE(f.Double);
        TProgramFolder folder;
        TDriverDouble lib(folder.Path, f.Double, f.File);
        // Four time-base rows counted, the fourth empty; more ranges counted than the block holds.
        std::vector<int32_t> mv = {10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000, 0, 50000};
        auto block = OtherFamilyBlock(f.BlockSize, f.RowSize, 40, mv, 4);
        lib.SetBlock(block.data(), static_cast<int32_t>(block.size()));
        std::unique_ptr<TDAO_Tarnel> device = f.Double[0] == 't' ? std::make_unique<TDAO_Tarnel>(folder.Path)
                                                                 : std::make_unique<TDAO_Vaskel>(folder.Path);
        ASSERT_EQ(device->LoadDriver(), drOk);
        ASSERT_EQ(device->OpenDevice(-1), drOk);
        TCapabilities c;
        device->GetCapabilities(c);
        EXPECT_EQ(c.PointsOnScreen, 500);
        EXPECT_EQ(c.PointsPerDiv, 50);
        EXPECT_EQ(c.ChannelCount, 8);
        EXPECT_EQ(c.PhysicalChannelCount, 2);
        EXPECT_EQ(c.VirtualChannelCount, 2);
        EXPECT_EQ(c.TriggerSourceCount, 3);
        EXPECT_DOUBLE_EQ(c.TriggerLatency, 9.3e-9);
        ASSERT_EQ(c.MemorySizes.size(), f.MemorySizes);
        for (size_t k = 0; k < f.MemorySizes; ++k)
            EXPECT_EQ(c.MemorySizes[k], 1024 << k);
        ASSERT_EQ(c.TimeBases.size(), 3u);
        EXPECT_EQ(c.TimeBases[0].DeviceValue, 9);
        EXPECT_EQ(c.TimeBases[0].SampleRate, 5e5);
        EXPECT_EQ(c.TimeBases[0].EquivalentTime, 0);
        EXPECT_EQ(c.TimeBases[1].DeviceValue, 8);
        EXPECT_EQ(c.TimeBases[1].EquivalentTime, 0); // a factor of exactly 1 is real time
        EXPECT_EQ(c.TimeBases[2].DeviceValue, 7);
        EXPECT_EQ(c.TimeBases[2].SampleRate, 1e10);
        EXPECT_EQ(c.TimeBases[2].RealSampleRate, 1e8);
        EXPECT_EQ(c.TimeBases[2].EquivalentTime, 1);
        ASSERT_EQ(c.Ranges.size(), 12u);
        EXPECT_DOUBLE_EQ(c.Ranges[0].VoltsPerDiv, 0.01);
        EXPECT_EQ(c.Ranges[11].DeviceValue, 50000);
        EXPECT_DOUBLE_EQ(c.Ranges[11].VoltsPerDiv, 50);
        EXPECT_EQ(c.AfterTriggerMax, 1048576);
        EXPECT_EQ(c.HoldOffMax, 1048576);
        EXPECT_EQ(c.LengthMax, 131068);
        EXPECT_EQ(c.CountMax, 32767);

        // Copy-out uses the family's record length: the newest n words of it.
        std::vector<uint8_t> words(2 * static_cast<size_t>(f.RecordLength), 0);
        words[words.size() - 2] = 0x5A;
        words[words.size() - 1] = 0xA5;
        words[2 * static_cast<size_t>(f.RecordLength - 1000)] = 0x11;
        lib.SetRecord(words.data(), static_cast<int32_t>(words.size()), 1000);
        lib.SetPoll(1, psComplete);
        device->SetMemorySize(1000);
        TAcquiredData data(2);
        data[0].Data.assign(1000, 0);
        data[1].Data.assign(1000, 0);
        EXPECT_EQ(device->ReadAcquisition(data), asRecordRead);
        EXPECT_EQ(data[0].Data[999], 0x5A);
        EXPECT_EQ(data[1].Data[999], 0xA5);
        EXPECT_EQ(data[0].Data[0], 0x11);
        EXPECT_EQ(data[0].First, 0);
        EXPECT_EQ(data[0].Last, 999);
    }
}

// A description block is outside input: counts and times beyond what the application can use make the
// open fail as a driver that did not start, before anything is computed from them.
TEST(DriverBinding, DescriptionBlocksOutsideTheLimitsFailTheOpen) {
    struct TCase {
        const char *Name;
        uint32_t Ppd, RecordLength;
        std::vector<TPellanTimeBase> Bases;
        std::vector<uint32_t> Ranges;
        int32_t Open;
    } cases[] = {
        {"usable", 50, 4096, {{100, 1, 1}, {1e6, 2e4, 0}}, {10, 20}, drOk},
        {"largest screen", 1000, 10000, {{100, 1, 1}}, {10}, drOk},
        {"points per division overflowing x 10", 0x7FFFFFFF, 4096, {{100, 1, 1}}, {10}, drDeviceNotFound},
        {"screen of 3 GB", 300000000, 0xFFFFFFFF, {{100, 1, 1}}, {10}, drDeviceNotFound},
        {"no points per division", 0, 4096, {{100, 1, 1}}, {10}, drDeviceNotFound},
        {"screen wider than the record", 50, 499, {{100, 1, 1}}, {10}, drDeviceNotFound},
        {"time per division of 1.8e169", 50, 4096, {{100, 1, 1}, {1.8e169, 1, 0}}, {10}, drDeviceNotFound},
        {"infinite time per division", 50, 4096, {{INFINITY, 1, 0}}, {10}, drDeviceNotFound},
        {"time per division past 32 bits", 50, 4096, {{2147483648.0, 1, 0}}, {10}, drDeviceNotFound},
        {"interval giving an infinite rate", 50, 4096, {{100, 1e-320, 0}}, {10}, drDeviceNotFound},
        {"no time base", 50, 4096, {{0, 0, 0}}, {10}, drDeviceNotFound},
        {"no range", 50, 4096, {{100, 1, 1}}, {0}, drDeviceNotFound},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        TProgramFolder folder;
        TDriverDouble lib(folder.Path, "pellan", "pellexdrv.so");
        auto d =
            PellanDescription(c.Ppd, c.RecordLength, c.Bases, c.Ranges, static_cast<uint32_t>(c.Bases.size()),
                              static_cast<uint32_t>(c.Ranges.size()));
        lib.SetBlock(d.data(), static_cast<int32_t>(d.size()));
        TDAO_Pellan device(folder.Path);
        ASSERT_EQ(device.LoadDriver(), drOk);
        EXPECT_EQ(device.OpenDevice(-1), c.Open);
        EXPECT_EQ(TDAO_Pellan::PellanDescriptionUsable(d.data()), c.Open == drOk);
    }

    struct TOtherCase {
        const char *Name;
        int32_t Row;
        size_t Field;
        double Value;
        bool Usable;
    } others[] = {
        {"usable", 0, tdRowRealRate, 1e8, true},
        {"infinite effective rate", 1, tdRowEffectiveRate, INFINITY, false},
        {"infinite real rate", 2, tdRowRealRate, INFINITY, false},
        {"equivalent-time factor not a number", 0, tdRowEtsFactor, NAN, false},
    };
    for (const auto &f :
         {std::pair<const char *, int32_t>{"tarnel", tdTarnelRowSize}, {"vaskel", tdVaskelRowSize}}) {
        for (const TOtherCase &c : others) {
            SCOPED_TRACE(testing::Message() << f.first << " " << c.Name);
            TProgramFolder folder;
            TDriverDouble lib(folder.Path, f.first, std::string(f.first) + "drv.so");
            const int32_t size = f.first[0] == 't' ? tdTarnelSize : tdVaskelSize;
            auto block = OtherFamilyBlock(size, f.second, 2, {10, 20}, 3);
            LePutF64(block.data(), tdTimeBases + static_cast<size_t>(c.Row * f.second) + c.Field, c.Value);
            lib.SetBlock(block.data(), static_cast<int32_t>(block.size()));
            std::unique_ptr<TDAO_Tarnel> device = f.first[0] == 't'
                                                      ? std::make_unique<TDAO_Tarnel>(folder.Path)
                                                      : std::make_unique<TDAO_Vaskel>(folder.Path);
            ASSERT_EQ(device->LoadDriver(), drOk);
            EXPECT_EQ(device->OpenDevice(-1), c.Usable ? drOk : drDeviceNotFound);
        }
    }
}

// A driver record whose word j carries j in channel A and 7 j in channel B (both modulo 256).
std::vector<uint8_t> NumberedRecord(int32_t words) {
    std::vector<uint8_t> r(2 * static_cast<size_t>(words));
    for (int32_t j = 0; j < words; ++j) {
        r[2 * j] = static_cast<uint8_t>(j);
        r[2 * j + 1] = static_cast<uint8_t>(7 * j);
    }
    return r;
}

TEST(DriverBinding, PellanCopyOutAndValidRange) {
    struct TCase {
        int32_t MemorySize, RecordLength, Count;
        int32_t First, Last, FirstWord; // FirstWord: the driver word at Data[First]
    } cases[] = {
        {1000, 4096, 4096, 0, 999, 3096},
        {1000, 4096, 300, 700, 999, 3796},
        {4096, 4096, 5000, 0, 4095, 0},
        {1000, 4096, 0, 0, -1, -1},
        {1000, 4096, -5, 0, -1, -1},
        // A memory size above the driver's record: only its L words exist, at the end of the buffer.
        {8192, 4096, 8192, 4096, 8191, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.MemorySize << " " << c.Count);
        TPellanRig rig(static_cast<uint32_t>(c.RecordLength));
        auto record = NumberedRecord(c.RecordLength);
        rig.Double.SetRecord(record.data(), static_cast<int32_t>(record.size()), c.Count);
        rig.Double.SetPoll(1, psComplete);
        rig.Device.SetMemorySize(c.MemorySize);
        TAcquiredData data(4);
        for (auto &w : data)
            w.Data.assign(static_cast<size_t>(c.MemorySize), 0xEE);
        auto calls = rig.Double.CallsOf([&] { EXPECT_EQ(rig.Device.ReadAcquisition(data), asRecordRead); });
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[0].Code, dfPollStatus);
        EXPECT_EQ(calls[1].Code, dfReadRecord);
        EXPECT_EQ(calls[1].BufferSize, 0); // $200000 cut to 16 bits
        EXPECT_TRUE(calls[1].HasBuffer);
        for (int32_t ch = 0; ch < 2; ++ch) {
            EXPECT_EQ(data[ch].First, c.First);
            EXPECT_EQ(data[ch].Last, c.Last);
        }
        if (c.FirstWord >= 0) {
            for (int32_t i = c.First; i <= c.Last; ++i) {
                int32_t word = c.FirstWord + (i - c.First);
                ASSERT_EQ(data[0].Data[i], static_cast<uint8_t>(word)) << i;
                ASSERT_EQ(data[1].Data[i], static_cast<uint8_t>(7 * word)) << i;
            }
        }
        EXPECT_TRUE(data[2].Empty()); // virtual channels are not the device's
        EXPECT_EQ(data[2].Data[0], 0xEE);
    }
}

TEST(DriverBinding, PellanHeldChannel) {
    TPellanRig rig;
    auto record = NumberedRecord(4096);
    rig.Double.SetRecord(record.data(), static_cast<int32_t>(record.size()), 4096);
    rig.Double.SetPoll(1, psComplete);
    rig.Device.SetMemorySize(1000);
    TAcquiredData data(2);
    for (auto &w : data)
        w.Data.assign(1000, 0);
    ASSERT_EQ(rig.Device.ReadAcquisition(data), asRecordRead);
    const auto heldBytes = data[1].Data;

    rig.Device.SetChannelHold(1, true);
    auto other = record;
    for (auto &b : other)
        b ^= 0xFF;
    rig.Double.SetRecord(other.data(), static_cast<int32_t>(other.size()), 300);
    ASSERT_EQ(rig.Device.ReadAcquisition(data), asRecordRead);
    EXPECT_EQ(data[1].Data, heldBytes);
    EXPECT_EQ(data[1].First, 700); // 0..999 intersected with 700..999
    EXPECT_EQ(data[1].Last, 999);
    EXPECT_EQ(data[0].First, 700);
    EXPECT_EQ(data[0].Data[999], static_cast<uint8_t>(~4095));

    data[1].First = 100;
    data[1].Last = 200;
    ASSERT_EQ(rig.Device.ReadAcquisition(data), asRecordRead);
    EXPECT_EQ(data[1].First, 0);
    EXPECT_EQ(data[1].Last, -1);
    EXPECT_EQ(data[1].Data, heldBytes);

    // A buffer shorter than the memory size is filled within its own length.
    rig.Device.SetChannelHold(1, false);
    data[1].Data.assign(10, 0);
    rig.Double.SetRecord(record.data(), static_cast<int32_t>(record.size()), 4096);
    ASSERT_EQ(rig.Device.ReadAcquisition(data), asRecordRead);
    EXPECT_EQ(data[1].Data.size(), 10u);
    EXPECT_EQ(data[1].Last, 9);
    EXPECT_EQ(data[1].Data[9], static_cast<uint8_t>(7 * 4095));
}

TEST(DriverBinding, PellanPollingStatesAndProgress) {
    struct TCase {
        int32_t PollReturn, Status, Result, ProgressA, ProgressB;
    } cases[] = {
        {0, psArmed | 1 << 8 | 1 << 16, asWaiting, 20, 20},
        {0, psTriggered | 2 << 8 | 1 << 16, asTriggered, 60, 20},
        {0, psTriggered | 3 << 8 | 2 << 16, asTriggered, 100, 60},
        {1, psComplete | 3 << 8 | 3 << 16, asRecordRead, 100, 100},
        {1, psComplete | 0 << 8 | 7 << 16, asRecordRead, 100, 100},
    };
    for (const auto &c : cases) {
        TPellanRig rig;
        rig.Double.SetPoll(c.PollReturn, c.Status);
        rig.Device.SetMemorySize(1000);
        TAcquiredData data(2);
        for (auto &w : data)
            w.Data.assign(1000, 0);
        auto calls = rig.Double.CallsOf([&] { EXPECT_EQ(rig.Device.ReadAcquisition(data), c.Result); });
        EXPECT_EQ(calls.size(), c.Result == asRecordRead ? 2u : 1u);
        int32_t a = 0, b = 0;
        rig.Device.GetSamplingProgress(a, b);
        EXPECT_EQ(a, c.ProgressA) << c.Status;
        EXPECT_EQ(b, c.ProgressB) << c.Status;
        if (c.Result != asRecordRead) {
            EXPECT_TRUE(data[0].Empty());
        }
    }
}

TEST(DriverBinding, PellanPacesThePollsOfAFillingRecord) {
    // 4096 words at 50 points a division: 100 ns a division fills in 8 us, 1 ms a division in 82 ms.
    struct TCase {
        int32_t TimePerDivision;
        uint32_t FreePolls; // polls that go at bus speed before each waits a millisecond
    } cases[] = {{100, 8}, {1000000, 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.TimePerDivision);
        TPellanRig rig;
        rig.Device.SetTimeBase(c.TimePerDivision);
        TAcquiredData data(2);
        for (auto &w : data)
            w.Data.assign(100, 0);
        rig.Device.SetMemorySize(100);
        for (int round = 0; round < 2; ++round) {
            rig.Double.SetPoll(0, psArmed);
            rig.Device.StartAcquisition();
            const uint32_t start = rig.Clock.Now;
            for (uint32_t i = 0; i < c.FreePolls; ++i)
                EXPECT_EQ(rig.Device.ReadAcquisition(data), asWaiting);
            EXPECT_EQ(rig.Clock.Now, start);
            rig.Double.SetPoll(0, psTriggered);
            EXPECT_EQ(rig.Device.ReadAcquisition(data), asTriggered);
            EXPECT_EQ(rig.Device.ReadAcquisition(data), asTriggered);
            EXPECT_EQ(rig.Clock.Now, start + 2);
            // A record that is there is read at once; the next start counts afresh.
            rig.Double.SetPoll(1, psComplete);
            EXPECT_EQ(rig.Device.ReadAcquisition(data), asRecordRead);
            EXPECT_EQ(rig.Clock.Now, start + 2);
        }
    }
}

TEST(DriverBinding, PellanStartRequestInSingleAndManualMode) {
    for (int32_t mode : {tmSingle, tmManual}) {
        TPellanRig rig;
        rig.Double.SetPoll(1, psComplete);
        rig.Device.SetMemorySize(100);
        TAcquiredData data(2);
        for (auto &w : data)
            w.Data.assign(100, 0);
        rig.Device.SetTriggerMode(mode);
        // Waiting for the start request: no arming, no polling, a short sleep per call.
        auto calls = rig.Double.CallsOf([&] {
            rig.Device.StartAcquisition();
            EXPECT_EQ(rig.Device.ReadAcquisition(data), asWaiting);
        });
        EXPECT_TRUE(calls.empty());
        EXPECT_EQ(rig.Clock.Now, 3u);
        calls = rig.Double.CallsOf([&] { rig.Device.SetStartRequest(true); });
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].Code, dfArm);
        EXPECT_EQ(rig.Device.ReadAcquisition(data), asRecordRead);
        // The record used the request up.
        calls = rig.Double.CallsOf([&] {
            rig.Device.StartAcquisition();
            EXPECT_EQ(rig.Device.ReadAcquisition(data), asWaiting);
        });
        EXPECT_TRUE(calls.empty());
        // Back in normal mode the flags are gone and every start arms.
        rig.Device.SetTriggerMode(tmNormal);
        calls = rig.Double.CallsOf([&] { rig.Device.StartAcquisition(); });
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].Code, dfArm);
        // Outside single and manual mode a start request is not the device's business.
        calls = rig.Double.CallsOf([&] { rig.Device.SetStartRequest(true); });
        EXPECT_TRUE(calls.empty());
    }
}

struct TSent {
    int64_t Code, Value;
    bool operator==(const TSent &) const = default;
};

std::vector<TSent> Sent(const std::vector<TCall> &calls) {
    std::vector<TSent> s;
    for (const auto &c : calls)
        s.push_back(TSent{c.Code, c.Value});
    return s;
}

void PrintTo(const TSent &s, std::ostream *os) {
    *os << "{" << s.Code << ", " << s.Value << "}";
}

TEST(DriverBinding, PellanSettersSendTheirDeviceFunctions) {
    struct TCase {
        const char *Name;
        std::function<void(TDAO_Pellan &)> Action;
        std::vector<TSent> Expected;
    } cases[] = {
        {"range A", [](TDAO_Pellan &d) { d.SetRange(0, 200); }, {{dfSetRangeA, 200}}},
        {"range B", [](TDAO_Pellan &d) { d.SetRange(1, 50); }, {{dfSetRangeB, 50}}},
        {"range C", [](TDAO_Pellan &d) { d.SetRange(2, 50); }, {}},
        {"shift A", [](TDAO_Pellan &d) { d.SetVerticalShift(0, 2100); }, {{dfSetShiftA, 2100}}},
        {"shift B", [](TDAO_Pellan &d) { d.SetVerticalShift(1, 7); }, {{dfSetShiftB, 7}}},
        {"shift -1", [](TDAO_Pellan &d) { d.SetVerticalShift(-1, 7); }, {}},
        {"auto", [](TDAO_Pellan &d) { d.SetTriggerMode(tmAuto); }, {{dfSetTriggerModeAuto, 0}}},
        {"normal", [](TDAO_Pellan &d) { d.SetTriggerMode(tmNormal); }, {{dfSetTriggerModeNormal, 0}}},
        {"single", [](TDAO_Pellan &d) { d.SetTriggerMode(tmSingle); }, {{dfSetTriggerModeNormal, 0}}},
        {"manual", [](TDAO_Pellan &d) { d.SetTriggerMode(tmManual); }, {{dfSetTriggerModeNone, 0}}},
        {"mode 4", [](TDAO_Pellan &d) { d.SetTriggerMode(4); }, {}},
        {"primary ext", [](TDAO_Pellan &d) { d.SetTriggerSource(0, 2, true); }, {{dfSetPrimarySourceExt, 1}}},
        {"primary A off",
         [](TDAO_Pellan &d) { d.SetTriggerSource(0, 0, false); },
         {{dfSetPrimarySourceA, 0}}},
        {"secondary on and off",
         [](TDAO_Pellan &d) {
             d.SetTriggerSource(1, 1, true);
             d.SetTriggerSource(1, 0, true);
             d.SetTriggerSource(1, 1, false);
             d.SetTriggerSource(1, 0, false);
             d.SetTriggerSource(1, 2, false);
         },
         {{dfSetSecondarySourceB, 1},
          {dfSecondaryTriggerOn, 0},
          {dfSetSecondarySourceA, 1},
          {dfSetSecondarySourceB, 0},
          {dfSetSecondarySourceA, 0},
          {dfSecondaryTriggerOff, 0},
          {dfSetSecondarySourceExt, 0}}},
        {"source 3", [](TDAO_Pellan &d) { d.SetTriggerSource(0, 3, true); }, {}},
        {"which 2", [](TDAO_Pellan &d) { d.SetTriggerSource(2, 0, true); }, {}},
        {"leading", [](TDAO_Pellan &d) { d.SetTriggerLeading(0, 1, true); }, {{dfSetPrimaryLeadingB, 1}}},
        {"secondary leading",
         [](TDAO_Pellan &d) { d.SetTriggerLeading(1, 2, false); },
         {{dfSetSecondaryLeadingExt, 0}}},
        {"leading which 2", [](TDAO_Pellan &d) { d.SetTriggerLeading(2, 0, true); }, {}},
        {"level A", [](TDAO_Pellan &d) { d.SetTriggerLevel(0, 140); }, {{dfSetTriggerLevelA, 140}}},
        {"level B", [](TDAO_Pellan &d) { d.SetTriggerLevel(1, 99); }, {{dfSetTriggerLevelB, 99}}},
        {"level ext", [](TDAO_Pellan &d) { d.SetTriggerLevel(2, 99); }, {}},
        {"after trigger", [](TDAO_Pellan &d) { d.SetAfterTrigger(5000); }, {{dfSetAfterTrigger, 5000}}},
        {"hold-off", [](TDAO_Pellan &d) { d.SetHoldOff(1000); }, {{dfSetHoldOff, 250}}},
        {"counts",
         [](TDAO_Pellan &d) {
             d.SetTriggerCount(0, 3);
             d.SetTriggerCount(1, 9);
             d.SetTriggerCount(2, 1);
         },
         {{dfSetPrimaryCount, 3}, {dfSetSecondaryCount, 9}}},
        {"lengths",
         [](TDAO_Pellan &d) {
             d.SetTriggerLength(0, 400);
             d.SetTriggerLength(1, 131068);
             d.SetTriggerLength(-1, 8);
         },
         {{dfSetPrimaryLength, 100}, {dfSetSecondaryLength, 32767}}},
        {"filter",
         [](TDAO_Pellan &d) {
             d.SetFilterOn(1, true);
             d.SetFilterOn(0, false);
             d.SetFilterOn(2, true);
         },
         {{dfSetFilterB, 1}, {dfSetFilterA, 0}}},
        {"ground",
         [](TDAO_Pellan &d) {
             d.SetGround(0, true);
             d.SetGround(1, false);
             d.SetGround(2, true);
         },
         {{dfSetGroundA, 1}, {dfSetGroundB, 0}}},
        {"coupling",
         [](TDAO_Pellan &d) {
             d.SetDCCoupling(0, false);
             d.SetDCCoupling(1, true);
         },
         {{dfSetDCA, 0}, {dfSetDCB, 1}}},
        {"probe",
         [](TDAO_Pellan &d) {
             d.SetProbeMode(0, 0);
             d.SetProbeMode(1, 3);
             d.SetProbeMode(2, 1);
             d.SetProbeMode(0, 4);
             d.SetProbeMode(-1, 0);
         },
         {{dfSetProbeModeA, 1}, {dfSetProbeModeB, 4}, {255, 2}}},
        {"position",
         [](TDAO_Pellan &d) {
             d.PositionToShift(1, 128);
             d.PositionToShift(3, 1);
         },
         {{dfPositionToShiftB, 128}}},
        {"hold and memory",
         [](TDAO_Pellan &d) {
             d.SetChannelHold(0, true);
             d.SetMemorySize(1000);
         },
         {}},
        {"sensitivity", [](TDAO_Pellan &d) { d.SetWCD(12); }, {{dfSetWCDSensitivity, 12}}},
        {"generator",
         [](TDAO_Pellan &d) { d.SetCompensationGenerator(true); },
         {{dfSetCompensationGenerator, 1}}},
        {"serial number", [](TDAO_Pellan &d) { d.GetSerialNumber(); }, {{dfGetSerialNumber, 0}}},
        {"no enumeration",
         [](TDAO_Pellan &d) {
             TDeviceList list{{1, 2, 0}};
             EXPECT_FALSE(d.EnumerateDevices(list));
             EXPECT_EQ(list.size(), 1u);
         },
         {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        TPellanRig rig;
        EXPECT_EQ(Sent(rig.Double.CallsOf([&] { c.Action(rig.Device); })), c.Expected);
    }
}

TEST(DriverBinding, PellanAnswersFromTheDriver) {
    TPellanRig rig;
    rig.Double.SetAnswer(dfSetRangeA, 1777);
    rig.Double.SetAnswer(dfSetShiftB, 131);
    rig.Double.SetAnswer(dfPositionToShiftA, 2222);
    rig.Double.SetAnswer(dfGetSerialNumber, 40123);
    rig.Double.SetAnswer(dfGetDeviceType, 2);
    rig.Double.SetVersion(3, 14);
    EXPECT_EQ(rig.Device.SetRange(0, 100), 1777);
    rig.Device.SetVerticalShift(1, 2000);
    EXPECT_EQ(rig.Device.GetGroundPosition(1), 131);
    EXPECT_EQ(rig.Device.GetGroundPosition(0), 0);
    EXPECT_EQ(rig.Device.PositionToShift(0, 50), 2222);
    EXPECT_EQ(rig.Device.GetSerialNumber(), 40123);
    EXPECT_EQ(rig.Device.GetDeviceName(), "Pelle3 oscilloscope");
    std::array<uint8_t, 2> version{};
    auto calls = rig.Double.CallsOf([&] { rig.Device.QueryDriverVersion(version); });
    EXPECT_EQ(version, (std::array<uint8_t, 2>{3, 14}));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Code, dfGetDriverVersion);
    EXPECT_EQ(calls[0].BufferSize, 2);

    // The filter's averaging count travels in the Result cell, the stored one when only the flag changes.
    calls = rig.Double.CallsOf([&] {
        rig.Device.SetFilterFactor(0, 16);
        rig.Device.SetFilterOn(0, true);
        rig.Device.SetFilterFactor(1, 4);
    });
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(Sent(calls), (std::vector<TSent>{{dfSetFilterA, 0}, {dfSetFilterA, 1}, {dfSetFilterB, 0}}));
    EXPECT_EQ(calls[0].ResultIn, 16);
    EXPECT_EQ(calls[1].ResultIn, 16);
    EXPECT_EQ(calls[2].ResultIn, 4);

    // Reserved2 and BufferSize reach the Pellan library cut to 16 bits, the outside ones whole.
    calls = rig.Double.CallsOf(
        [&] { rig.Device.DeviceCall(dfSetWCDSensitivity, 5, 0x12345, nullptr, 0x10002, 1, nullptr); });
    EXPECT_EQ(calls[0].Reserved1, 5);
    EXPECT_EQ(calls[0].Reserved2, 0x2345);
    EXPECT_EQ(calls[0].BufferSize, 2);

    TProgramFolder folder;
    TDriverDouble lib(folder.Path, "tarnel", "tarneldrv.so");
    TDAO_Tarnel tarnel(folder.Path);
    ASSERT_EQ(tarnel.LoadDriver(), drOk);
    calls = lib.CallsOf(
        [&] { tarnel.DeviceCall(dfSetWCDSensitivity, 5, 0x12345, nullptr, 0x10002, 1, nullptr); });
    EXPECT_EQ(calls[0].Reserved2, 0x12345);
    EXPECT_EQ(calls[0].BufferSize, 0x10002);
}

TEST(DriverBinding, OtherFamilyDifferences) {
    {
        TProgramFolder folder;
        TDriverDouble lib(folder.Path, "tarnel", "tarneldrv.so");
        TDAO_Tarnel device(folder.Path);
        ASSERT_EQ(device.LoadDriver(), drOk);
        lib.SetAnswer(dfGetDeviceType, 1);
        lib.SetAnswer(dfGetProgressA, 35);
        lib.SetAnswer(dfGetProgressB, 80);
        EXPECT_EQ(device.GetDeviceName(), "Tarne2 oscilloscope");
        int32_t a = 0, b = 0;
        device.GetSamplingProgress(a, b);
        EXPECT_EQ(a, 35);
        EXPECT_EQ(b, 80);
        EXPECT_EQ(Sent(lib.CallsOf([&] {
                      device.SetProbeMode(0, 2);
                      device.SetProbeMode(1, 0);
                      device.SetMemorySize(4096);
                  })),
                  (std::vector<TSent>{{dfSetProbeModeA, 2}, {dfSetProbeModeB, 0}, {dfSetMemorySize, 4096}}));
    }
    {
        TProgramFolder folder;
        TDriverDouble lib(folder.Path, "vaskel", "vaskeldrv.so");
        TDAO_Vaskel device(folder.Path);
        ASSERT_EQ(device.LoadDriver(), drOk);
        lib.SetAnswer(dfGetDeviceType, 3);
        uint32_t ids[16] = {77};
        lib.SetEnumeration(ids, 0);
        auto calls = lib.CallsOf([&] {
            EXPECT_EQ(device.GetDeviceName(), "Vaske1 oscilloscope");
            TDeviceList list;
            EXPECT_FALSE(device.EnumerateDevices(list));
            EXPECT_TRUE(list.empty());
        });
        EXPECT_TRUE(calls.empty());
        EXPECT_EQ(Sent(lib.CallsOf([&] {
                      device.SetProbeMode(1, 3);
                      device.SetMemorySize(2048);
                  })),
                  (std::vector<TSent>{{dfSetProbeModeB, 3}, {dfSetMemorySize, 2048}}));
        // Progress from the fill classes of the last poll, as the Pellan family reports it.
        lib.SetPoll(0, psTriggered | 2 << 8 | 1 << 16);
        TAcquiredData data(2);
        device.ReadAcquisition(data);
        int32_t a = 0, b = 0;
        device.GetSamplingProgress(a, b);
        EXPECT_EQ(a, 60);
        EXPECT_EQ(b, 20);
    }
}

TEST(DriverBinding, TarnelEnumerationWithInUseTest) {
    TProgramFolder folder;
    TDriverDouble lib(folder.Path, "tarnel", "tarneldrv.so");
    TDAO_Tarnel device(folder.Path);
    ASSERT_EQ(device.LoadDriver(), drOk);

    // Identifiers of this test run only, so that other holders of such locks cannot interfere.
    const int32_t free = 700000000 + static_cast<int32_t>(getpid() % 1000000) * 2;
    const int32_t taken = free + 1;
    platform::TNamedLock lock("TRN_DRV_TarnX_" + std::to_string(taken));
    ASSERT_TRUE(lock.TryAcquire());
    uint32_t ids[16] = {};
    ids[2] = static_cast<uint32_t>(taken);
    ids[5] = static_cast<uint32_t>(free);
    lib.SetEnumeration(ids, 0);
    TDeviceList list{{9, 9, 9}};
    auto calls = lib.CallsOf([&] { EXPECT_TRUE(device.EnumerateDevices(list)); });
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Code, dfEnumerateDevices);
    EXPECT_EQ(calls[0].BufferSize, 64);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].ID, taken);
    EXPECT_EQ(list[0].SlotIndex, 2);
    EXPECT_EQ(list[0].InUse, 1);
    EXPECT_EQ(list[1].ID, free);
    EXPECT_EQ(list[1].SlotIndex, 5);
    EXPECT_EQ(list[1].InUse, 0);
    lock.Release();
    EXPECT_TRUE(device.EnumerateDevices(list));
    EXPECT_EQ(list[0].InUse, 0);

    // A failed enumeration leaves the list alone.
    lib.SetEnumeration(ids, 4);
    EXPECT_FALSE(device.EnumerateDevices(list));
    EXPECT_EQ(list.size(), 2u);
}

// The start-up's search over the family table: the first family whose device opens.
struct TFound {
    std::unique_ptr<TDriverAbstraction> Device;
    std::string Series;
    int32_t ID = 0;
};

TFound Search(const std::string &folder) {
    for (const auto &row : DeviceFamilies()) {
        auto device = row.DriverClass(folder);
        if (device->LoadDriver() != drOk)
            continue;
        TDeviceList list;
        int32_t result = drDeviceNotFound, id = 0;
        if (device->EnumerateDevices(list)) {
            for (const auto &r : list)
                if (!r.InUse) {
                    id = r.ID;
                    result = device->OpenDevice(r.SlotIndex);
                    break;
                }
        } else {
            result = device->OpenDevice(-1);
        }
        if (DeviceUsable(result))
            return TFound{std::move(device), row.SeriesName, id};
    }
    return {};
}

TEST(DriverBinding, SearchOrderOverTheFamilyTable) {
    {
        // Pellan answers first even when the others are there too.
        TProgramFolder folder;
        TDriverDouble pellan(folder.Path, "pellan", "pellexdrv.so");
        TDriverDouble tarnel(folder.Path, "tarnel", "tarneldrv.so");
        TDriverDouble vaskel(folder.Path, "vaskel", "vaskeldrv.so");
        auto found = Search(folder.Path);
        EXPECT_EQ(found.Series, "Pellan series");
        EXPECT_EQ(tarnel.CallCount(), 0);
    }
    {
        // No Pellan device; the Tarnel library enumerates two devices, one of them in use.
        TProgramFolder folder;
        TDriverDouble pellan(folder.Path, "pellan", "pellexdrv.so");
        pellan.SetInitResult(irDeviceNotFound);
        TDriverDouble tarnel(folder.Path, "tarnel", "tarneldrv.so");
        const int32_t taken = 710000000 + static_cast<int32_t>(getpid() % 1000000) * 2;
        const int32_t free = taken + 1;
        platform::TNamedLock lock("TRN_DRV_TarnX_" + std::to_string(taken));
        ASSERT_TRUE(lock.TryAcquire());
        uint32_t ids[16] = {};
        ids[0] = static_cast<uint32_t>(taken);
        ids[3] = static_cast<uint32_t>(free);
        tarnel.SetEnumeration(ids, 0);
        auto found = Search(folder.Path);
        EXPECT_EQ(found.Series, "Tarnel series");
        EXPECT_EQ(found.ID, free);
        auto calls = tarnel.Calls();
        bool opened = false;
        for (const auto &c : calls)
            opened = opened || (c.Code == dfOpenByIndex && c.Value == 3);
        EXPECT_TRUE(opened);
    }
    {
        // Tarnel enumerates nothing free: the Vaskel library is next.
        TProgramFolder folder;
        TDriverDouble tarnel(folder.Path, "tarnel", "tarneldrv.so");
        uint32_t none[16] = {};
        tarnel.SetEnumeration(none, 0);
        TDriverDouble vaskel(folder.Path, "vaskel", "vaskeldrv.so");
        vaskel.SetInitResult(irCalibrationInvalid);
        auto found = Search(folder.Path);
        EXPECT_EQ(found.Series, "Vaskel series");
    }
    {
        TProgramFolder folder;
        EXPECT_EQ(Search(folder.Path).Device, nullptr);
    }
}

TEST(DriverBinding, LinkByteNeverOutlivesTheDeviceObject) {
    TProgramFolder folder;
    TDriverDouble lib(folder.Path, "pellan", "pellexdrv.so");
    auto device = std::make_unique<TDAO_Pellan>(folder.Path);
    ASSERT_EQ(device->LoadDriver(), drOk);
    ASSERT_EQ(device->OpenDevice(-1), drOk);
    const auto *begin = reinterpret_cast<const volatile uint8_t *>(device.get());
    const auto *end = begin + sizeof(TDAO_Pellan);
    ASSERT_TRUE(lib.LinkByte() >= begin && lib.LinkByte() < end);
    device.reset();
    const volatile uint8_t *after = lib.LinkByte();
    EXPECT_TRUE(after != nullptr && (after < begin || after >= end));
    lib.SetLink(1); // the library's callback may still fire
    lib.SetLink(0);
    // The library deinitialises itself when it is unloaded, never through the binding.
    EXPECT_EQ(lib.DeInitCount(), 0);
}

} // namespace

// The simulated Pellan instrument behind the program's own driver library: its controls are bound from
// the same pellusb.so that the driver loads from the program folder.
struct TSimulatedInstrument {
    // The simulated transfers take no time here unless the environment asks for it.
    int FastTransfers = setenv("PELLUSB_LATENCY_US", "0", 0);
    void *Handle = dlopen((std::string(PROGRAM_FOLDER) + "/pellusb.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    template <typename F> F Bind(const char *name) { return reinterpret_cast<F>(dlsym(Handle, name)); }
    void (*Reset)() = Bind<void (*)()>("sim_Reset");
    void (*SetModel)(int32_t) = Bind<void (*)(int32_t)>("sim_SetModel");
    void (*SetLinkUp)(int32_t) = Bind<void (*)(int32_t)>("sim_SetLinkUp");
    void (*SetManualTime)(int32_t) = Bind<void (*)(int32_t)>("sim_SetManualTime");
    void (*AdvanceTime)(double) = Bind<void (*)(double)>("sim_AdvanceTime");
    double (*SampleTime)(int32_t) = Bind<double (*)(int32_t)>("sim_SampleTime");
    double (*InputLevel)(int32_t, double) = Bind<double (*)(int32_t, double)>("sim_InputLevel");

    TSimulatedInstrument() {
        if (!Handle)
            throw std::runtime_error(dlerror());
        Reset();
        SetManualTime(1);
    }
    ~TSimulatedInstrument() {
        Reset();
        dlclose(Handle);
    }
    // The binding's pauses pass on the instrument's clock, as they would in real time.
    struct TSimSleeper : platform::ISleeper {
        TSimulatedInstrument *Sim;
        explicit TSimSleeper(TSimulatedInstrument *sim) : Sim(sim) {}
        void Sleep(uint32_t milliseconds) override { Sim->AdvanceTime(milliseconds * 1e6); }
    } Sleeper{this};

    uint8_t Level(int32_t channel, int32_t fifoIndex) {
        double v = std::nearbyint(InputLevel(channel, SampleTime(fifoIndex)));
        return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
    }
};

TEST(PellanDriverLibrary, NoInstrumentIsNotFound) {
    TSimulatedInstrument sim;
    sim.SetModel(-1);
    TDAO_Pellan device(PROGRAM_FOLDER, &sim.Sleeper);
    ASSERT_EQ(device.LoadDriver(), drOk);
    EXPECT_EQ(device.OpenDevice(-1), drDeviceNotFound);
}

TEST(PellanDriverLibrary, RealTimeRecordOfTheSimulatedInstrument) {
    TSimulatedInstrument sim;
    sim.SetModel(1);
    TDAO_Pellan device(PROGRAM_FOLDER, &sim.Sleeper);
    ASSERT_EQ(device.LoadDriver(), drOk);
    ASSERT_EQ(device.OpenDevice(-1), drOk);
    EXPECT_EQ(device.GetDeviceName(), "Pelle2 oscilloscope");
    TCapabilities caps;
    device.GetCapabilities(caps);
    EXPECT_EQ(caps.PointsOnScreen, 10 * caps.PointsPerDiv);
    ASSERT_EQ(caps.MemorySizes.size(), 1u);
    const int32_t length = caps.MemorySizes[0];
    ASSERT_GE(length, 4096);
    ASSERT_GE(caps.TimeBases.size(), 22u);
    // Slowest first; the equivalent-time bases are the fastest ones.
    EXPECT_LT(caps.TimeBases.front().SampleRate, caps.TimeBases.back().SampleRate);
    EXPECT_EQ(caps.TimeBases.front().EquivalentTime, 0);
    EXPECT_EQ(caps.TimeBases.back().EquivalentTime, 1);
    auto row = std::find_if(caps.TimeBases.begin(), caps.TimeBases.end(),
                            [](const TTimeBaseRow &r) { return r.DeviceValue == 10000; });
    ASSERT_NE(row, caps.TimeBases.end()); // 10 us per division
    EXPECT_DOUBLE_EQ(row->SampleRate, 50 / 10e-6);
    ASSERT_EQ(caps.Ranges.size(), 9u);

    const int32_t n = 1000;
    device.SetMemorySize(n);
    device.SetTimeBase(row->DeviceValue);
    for (int32_t ch = 0; ch < 2; ++ch) {
        device.SetRange(ch, 100);
        device.SetVerticalShift(ch, device.PositionToShift(ch, 128));
        EXPECT_NEAR(device.GetGroundPosition(ch), 128, 1);
    }
    device.SetTriggerSource(0, 0, true);
    device.SetTriggerLeading(0, 0, true);
    device.SetTriggerLevel(0, 128);
    device.SetTriggerCount(0, 1);
    device.SetTriggerMode(tmNormal);
    TAcquiredData data(4);
    for (auto &w : data)
        w.Data.assign(n, 0);
    device.StartAcquisition();
    int32_t result = asWaiting;
    for (int i = 0; i < 100000 && result != asRecordRead; ++i) {
        result = device.ReadAcquisition(data);
        sim.AdvanceTime(20000);
    }
    ASSERT_EQ(result, asRecordRead);
    EXPECT_TRUE(device.IsCommunicationOK());
    for (int32_t ch = 0; ch < 2; ++ch) {
        EXPECT_EQ(data[ch].First, 0);
        EXPECT_EQ(data[ch].Last, n - 1);
        // The newest n samples of the driver's record, channel A in the low and B in the high byte.
        for (int32_t i = 0; i < n; ++i)
            ASSERT_EQ(data[ch].Data[i], sim.Level(ch, length - n + i)) << ch << " " << i;
    }
    auto [lo, hi] = std::minmax_element(data[0].Data.begin(), data[0].Data.end());
    EXPECT_GT(*hi - *lo, 20); // a signal, not a flat line

    // A broken link shows at once; reopened, the device is usable again.
    sim.SetLinkUp(0);
    device.StartAcquisition();
    device.ReadAcquisition(data);
    EXPECT_FALSE(device.IsCommunicationOK());
    sim.SetLinkUp(1);
    EXPECT_EQ(device.OpenDevice(-1), drOk);
    EXPECT_TRUE(device.IsCommunicationOK());
}

// At an equivalent-time base the record builds up over captures, whether the instrument triggers on its
// signal or, without a trigger source, takes its records untriggered; the binding reports the growing fill
// and the valid part the driver answers (after-trigger plus hold-off samples).
TEST(PellanDriverLibrary, EquivalentTimeRecordFillsOverCaptures) {
    struct TCase {
        const char *Name;
        int32_t Mode;
        bool SourceA;
        int32_t WCD; // consistency threshold; free-running captures do not agree with each other
    } cases[] = {
        {"auto mode, triggered on A", tmAuto, true, 12},
        {"auto mode, no trigger source", tmAuto, false, 100000},
        {"normal mode, triggered on A", tmNormal, true, 12},
        {"normal mode, no trigger source", tmNormal, false, 100000},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        TSimulatedInstrument sim;
        sim.SetModel(1); // 8192 samples
        TDAO_Pellan device(PROGRAM_FOLDER, &sim.Sleeper);
        ASSERT_EQ(device.LoadDriver(), drOk);
        ASSERT_EQ(device.OpenDevice(-1), drOk);
        TCapabilities caps;
        device.GetCapabilities(caps);
        auto row = std::find_if(caps.TimeBases.begin(), caps.TimeBases.end(),
                                [](const TTimeBaseRow &r) { return r.DeviceValue == 100; });
        ASSERT_NE(row, caps.TimeBases.end()); // 100 ns per division: 20 ns samples, ten slots per sample
        ASSERT_EQ(row->EquivalentTime, 1);
        const int32_t n = caps.MemorySizes[0];
        device.SetTimeBase(row->DeviceValue);
        device.SetMemorySize(n);
        for (int32_t ch = 0; ch < 2; ++ch) {
            device.SetRange(ch, 100);
            device.SetVerticalShift(ch, device.PositionToShift(ch, 128));
        }
        device.SetTriggerMode(c.Mode);
        device.SetTriggerSource(0, 0, c.SourceA);
        device.SetTriggerLeading(0, 0, true);
        device.SetTriggerLevel(0, 127);
        device.SetTriggerCount(0, 1);
        device.SetWCD(c.WCD);
        TAcquiredData data(4);
        for (auto &w : data)
            w.Data.assign(n, 0);

        std::vector<std::pair<int32_t, int32_t>> progress;
        for (int capture = 0; capture < 300; ++capture) {
            device.StartAcquisition();
            int32_t result = asWaiting;
            for (int poll = 0; poll < 1000 && result != asRecordRead; ++poll) {
                result = device.ReadAcquisition(data);
                sim.AdvanceTime(20000);
            }
            ASSERT_EQ(result, asRecordRead) << "capture " << capture;
            int32_t a = 0, b = 0;
            device.GetSamplingProgress(a, b);
            progress.emplace_back(a, b);
            if (a == 100 && b == 100)
                break;
        }
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(progress.front(), std::make_pair(20, 20)); // one capture is not a whole record
        EXPECT_EQ(progress.back(), std::make_pair(100, 100)) << "after " << progress.size() << " captures";
        EXPECT_NE(std::find(progress.begin(), progress.end(), std::make_pair(60, 60)), progress.end());
        for (int32_t ch = 0; ch < 2; ++ch) {
            EXPECT_EQ(data[ch].First, n - 2048); // the stored after-trigger 1024 and hold-off 1024
            EXPECT_EQ(data[ch].Last, n - 1);
        }
    }
}

} // namespace scope
