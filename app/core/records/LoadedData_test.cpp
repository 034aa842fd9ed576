#include "records/LoadedData.h"

#include "acquisition/AcquisitionThread.h"
#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "platform/Platform.h"
#include "testkit/BusRecorder.h"
#include "testkit/FakeDevice.h"
#include "testkit/TestFolder.h"
#include "testkit/TestSettings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>

namespace scope {
namespace {

// The record tests' instrument (two loaded-trace slots), the 0 V lines at 100 and 150.
class LoadedRecord : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        RecordInstrument(s);
        for (TDeviceSettings *d : {&s.RequestedSettings(), &s.AcquisitionSettings(), &s.ShownSettings()})
            d->GroundPosition = {100.0, 150.0};
        source.SetSettings(&s);
        source.SetObjMaster(&bus);
        recorder.SetObjMaster(&bus);
        bus.Broadcast(bmInitialize, 0, nullptr);
        recorder.Clear();
    }

    // Puts a record of the given valid ranges into the data source, as an acquisition would.
    void Acquire(std::vector<std::pair<int32_t, int32_t>> ranges, size_t length = 8192) {
        TAcquiredData data(ranges.size());
        for (size_t c = 0; c < ranges.size(); ++c) {
            data[c].Data.resize(length);
            for (size_t i = 0; i < length; ++i)
                data[c].Data[i] = uint8_t(i * (c + 3) + 1);
            data[c].First = ranges[c].first;
            data[c].Last = ranges[c].second;
        }
        TWaveform *w = source.Waveforms().data();
        for (size_t c = 0; c < data.size() && c < source.Waveforms().size(); ++c)
            w[c] = data[c];
    }

    std::string Save(TLoadedData &record, size_t formatRow, const std::string &name) {
        auto format = TSaveLoadFormatDesc[formatRow].Create();
        record.RegisterValues(*format);
        EXPECT_EQ(format->SaveToFile(PathOf(name)), slOK);
        return PathOf(name);
    }
    // Reads a file into a fresh record; false when a value is missing.
    bool Load(TLoadedData &record, size_t formatRow, const std::string &path) {
        auto format = TSaveLoadFormatDesc[formatRow].Create();
        record.RegisterValues(*format);
        EXPECT_EQ(format->LoadFromFile(path), slOK);
        return format->AllValuesRead();
    }

    // A record read from a file, consistent with this instrument, every value set.
    TLoadedData Consistent() {
        TLoadedData d(s);
        d.Copy = s.RequestedSettings();
        d.Range = {0.5, 5};
        d.TimeBase = 5e7;
        d.AcquiredData.assign(2, TWaveform{});
        for (TWaveform &w : d.AcquiredData)
            w.Data.assign(64, 7);
        d.FirstValidSample = {0, 10};
        d.LastValidSample = {63, 20};
        return d;
    }

    TObjMasterTarn bus;
    TSettingsTarn s;
    TDataSourceTarn source;
    TBusRecorder recorder;
};

const char *const RegistrationOrder[] = {
    "MemorySize",
    "TimeBase",
    "WCDSensitivity",
    "Range",
    "Shift",
    "Filter",
    "FilterFactor",
    "TriggerSrcOnPrimary",
    "TriggerSrcOnSecondary",
    "TriggerSrcLeadingPrimary",
    "TriggerSrcLeadingSecondary",
    "TriggerLevel",
    "TriggerCount",
    "TriggerLength",
    "TriggerMode",
    "ATMode",
    "HFMode",
    "SimpleTrigger",
    "AfterTriggerSamples",
    "HoldOffSamples",
    "ProbeMode",
    "Ground",
    "DC",
    "GroundPos",
    "FirstValidSample",
    "LastValidSample",
    "AcquiredData",
};

int32_t BinIDOf(const std::string &name) {
    for (const TValueIDRow &row : TValueID)
        if (name == row.TxtID)
            return row.BinID;
    return -1;
}

int32_t I32At(const std::string &bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | uint8_t(bytes[at + size_t(i)]);
    return int32_t(v);
}

TEST_F(LoadedRecord, FilesHoldTheValuesInRegistrationOrder) {
    Acquire({{0, 15}, {2, 9}}, 16);
    TLoadedData record(s);
    record.Capture(s, source);
    // Text: one line per value (one per channel for the samples), names in order.
    const std::string text = ReadFile(Save(record, 2, "order.rsa"));
    std::vector<std::string> names;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        const std::string line = text.substr(at, end - at);
        const std::string name = line.substr(0, line.find_first_of(".[ "));
        if (names.empty() || names.back() != name)
            names.push_back(name);
        at = end + 2;
    }
    ASSERT_EQ(names.size(), std::size(RegistrationOrder));
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(names[i], RegistrationOrder[i]) << i;
    // Binary and compressed: one chunk per value, IDs in the same order.
    for (size_t row : {size_t(0), size_t(1)}) {
        const std::string bytes = ReadFile(Save(record, row, "order" + std::to_string(row)));
        std::vector<int32_t> ids;
        for (size_t at = 0; at + 8 <= bytes.size(); at += size_t(I32At(bytes, at)))
            ids.push_back(I32At(bytes, at + 4));
        ASSERT_EQ(ids.size(), std::size(RegistrationOrder)) << row;
        for (size_t i = 0; i < ids.size(); ++i)
            EXPECT_EQ(ids[i], BinIDOf(RegistrationOrder[i])) << row << " " << i;
    }
}

TEST_F(LoadedRecord, EachFormatGivesEveryValueBack) {
    TDeviceSettings &shown = s.ShownSettings();
    shown.WCD = 12;
    shown.Shift = {-7, 9};
    shown.FilterOn = {1, 0};
    shown.FilterFactor = {3, 6};
    shown.TriggerSourceOn = {TBoolArray{1, 0, 1}, TBoolArray{0, 1, 0}};
    shown.TriggerLeading = {TBoolArray{0, 1, 1}, TBoolArray{1, 1, 0}};
    shown.TriggerLevel = {12, 200, 99};
    shown.TriggerCount = {3, 4};
    shown.TriggerLength = {50, 60};
    shown.TriggerMode = 2;
    shown.AfterTrigger = 1234;
    shown.HoldOff = 77;
    shown.ProbeMode = {1, 3};
    shown.Ground = {0, 1};
    shown.DCCoupling = {1, 0};
    shown.GroundPosition = {101.25, 64.5};
    s.ATMode = 2;
    s.HFMode = 1;
    s.SimpleTrigger = true;
    TSettingsTarn::CopyDeviceSettings(shown, s.RequestedSettings());
    s.ChannelsOn[4] = 1; // a loaded trace: the module channels are saved too
    Acquire({{0, 8191}, {100, 8000}, {5, 6}, {1, 0}});

    TLoadedData saved(s);
    saved.Capture(s, source);
    for (size_t row = 0; row < TSaveLoadFormatDesc.size(); ++row) {
        SCOPED_TRACE(TSaveLoadFormatDesc[row].Extension);
        const std::string path = Save(saved, row, std::string("trip.") + TSaveLoadFormatDesc[row].Extension);
        TLoadedData loaded(s);
        ASSERT_TRUE(Load(loaded, row, path));
        EXPECT_EQ(loaded.Copy.MemorySize, 8192);
        EXPECT_EQ(loaded.TimeBase, 5e7);
        EXPECT_EQ(loaded.Range, (TRealArray{0.5, 5}));
        EXPECT_EQ(loaded.Copy.WCD, 12);
        EXPECT_EQ(loaded.Copy.Shift, shown.Shift);
        EXPECT_EQ(loaded.Copy.FilterOn, shown.FilterOn);
        EXPECT_EQ(loaded.Copy.FilterFactor, shown.FilterFactor);
        EXPECT_EQ(loaded.Copy.TriggerSourceOn, shown.TriggerSourceOn);
        EXPECT_EQ(loaded.Copy.TriggerLeading, shown.TriggerLeading);
        EXPECT_EQ(loaded.Copy.TriggerLevel, shown.TriggerLevel);
        EXPECT_EQ(loaded.Copy.TriggerCount, shown.TriggerCount);
        EXPECT_EQ(loaded.Copy.TriggerLength, shown.TriggerLength);
        EXPECT_EQ(loaded.Copy.TriggerMode, 2);
        EXPECT_EQ(loaded.Copy.AfterTrigger, 1234);
        EXPECT_EQ(loaded.Copy.HoldOff, 77);
        EXPECT_EQ(loaded.Copy.ProbeMode, shown.ProbeMode);
        EXPECT_EQ(loaded.Copy.Ground, shown.Ground);
        EXPECT_EQ(loaded.Copy.DCCoupling, shown.DCCoupling);
        EXPECT_EQ(loaded.Copy.GroundPosition, shown.GroundPosition);
        EXPECT_EQ(loaded.ATMode, 2);
        EXPECT_EQ(loaded.HFMode, 1);
        EXPECT_TRUE(loaded.SimpleTrigger);
        EXPECT_EQ(loaded.FirstValidSample, (TIntArray{0, 100, 5, 1}));
        EXPECT_EQ(loaded.LastValidSample, (TIntArray{8191, 8000, 6, 0}));
        ASSERT_EQ(loaded.AcquiredData.size(), 4u);
        for (size_t c = 0; c < 4; ++c)
            EXPECT_EQ(loaded.AcquiredData[c].Data, saved.AcquiredData[c].Data) << c;
        loaded.AfterLoad();
        EXPECT_EQ(loaded.Copy.TimeBase, 1);
        EXPECT_EQ(loaded.Copy.Range, (TIntArray{1, 2}));
        EXPECT_EQ(loaded.CompareSettings(), 0);
    }
}

TEST_F(LoadedRecord, CaptureTakesTheScreenRecord) {
    struct Case {
        const char *What;
        TChannelsOn On;
        std::vector<std::pair<int32_t, int32_t>> Ranges;
        size_t Channels;
    };
    const Case cases[] = {
        {"physical channels only", {1, 1, 0, 0, 0, 0}, {{100, 8000}, {0, 8191}, {0, 50}}, 2},
        {"a channel off still saved", {1, 0, 0, 0, 0, 0}, {{100, 8000}, {0, 8191}}, 2},
        {"a module channel on", {1, 1, 0, 1, 0, 0}, {{100, 8000}, {0, 8191}, {1, 0}, {3, 4}}, 4},
        {"a loaded trace on, no module channel",
         {1, 1, 0, 0, 0, 1},
         {{100, 8000}, {0, 8191}, {1, 0}, {5, 2}},
         4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.What);
        s.ChannelsOn = c.On;
        Acquire(c.Ranges);
        TLoadedData record(s);
        record.Capture(s, source);
        ASSERT_EQ(record.AcquiredData.size(), c.Channels);
        ASSERT_EQ(record.FirstValidSample.size(), c.Channels);
        for (size_t j = 0; j < c.Channels; ++j) {
            const TWaveform &from = source.Waveforms()[j];
            const TWaveform &w = record.AcquiredData[j];
            EXPECT_EQ(record.FirstValidSample[j], from.First);
            EXPECT_EQ(record.LastValidSample[j], from.Last);
            if (from.Empty()) {
                EXPECT_TRUE(w.Data.empty()) << j;
                continue;
            }
            ASSERT_EQ(w.Data.size(), 8192u) << j;
            for (size_t i = 0; i < w.Data.size(); ++i) {
                const bool valid = int32_t(i) >= from.First && int32_t(i) <= from.Last;
                ASSERT_EQ(w.Data[i], valid ? from.Data[i] : 0) << j << " " << i;
            }
        }
    }
}

TEST_F(LoadedRecord, CaptureTakesRatesRangesAndTriggerPanel) {
    s.ShownSettings().Range = {0, 2};
    s.ShownSettings().TimeBase = 2;
    s.ATMode = 3;
    s.HFMode = 1;
    s.SimpleTrigger = true;
    s.RequestedSettings().TimeBase = 0; // only the shown copy counts
    TLoadedData record(s);
    record.Capture(s, source);
    EXPECT_EQ(record.Range, (TRealArray{0.05, 5}));
    EXPECT_EQ(record.TimeBase, 1e6);
    EXPECT_EQ(record.Copy.TimeBase, 2);
    EXPECT_EQ(record.ATMode, 3);
    EXPECT_EQ(record.HFMode, 1);
    EXPECT_TRUE(record.SimpleTrigger);
}

TEST_F(LoadedRecord, AfterLoadMatchesTheInstrumentAndSwitchesTheTraceSlotsOn) {
    struct Case {
        const char *What;
        TRealArray Range;
        double TimeBase;
        TIntArray Ranges;
        int32_t TimeBaseIndex;
    };
    // Requested: time base 1, ranges 1 and 2.
    const Case cases[] = {
        {"both found", {0.05, 0.5}, 1e6, {0, 1}, 2},
        {"the first equal row", {5, 5}, 1e8, {2, 2}, 0},
        {"time base not in the list", {0.05, 0.5}, 2e6, {0, 1}, 1},
        {"a range not in the list", {0.2, 0.5}, 1e6, {1, 1}, 2},
        {"near is not equal", {0.0500001, 0.5}, 1e6 + 1, {1, 1}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.What);
        s.ChannelsOn = {1, 1, 0, 0, 0, 0};
        TLoadedData d = Consistent();
        d.Range = c.Range;
        d.TimeBase = c.TimeBase;
        d.AfterLoad();
        EXPECT_EQ(d.Copy.Range, c.Ranges);
        EXPECT_EQ(d.Copy.TimeBase, c.TimeBaseIndex);
        EXPECT_EQ(d.AcquiredData[1].First, 10);
        EXPECT_EQ(d.AcquiredData[1].Last, 20);
        EXPECT_EQ(d.XOffsets, (TIntArray{0, 0}));
        EXPECT_EQ(d.YOffsets, (TIntArray{0, 0}));
        EXPECT_EQ(s.ChannelsOn, (TChannelsOn{1, 1, 0, 0, 1, 1}));
        // A record whose time base is not in the list leaves the requested one and shows no difference.
        EXPECT_EQ(d.CompareSettings() & cdRangeOrTimeBase,
                  (c.TimeBaseIndex == 1 && c.Ranges == TIntArray({1, 2})) ? 0 : cdRangeOrTimeBase);
    }
}

TEST_F(LoadedRecord, AfterLoadKeepsTheChannelsThatFitTheTraceSlots) {
    TLoadedData d = Consistent();
    d.AcquiredData.assign(4, TWaveform{});
    d.AcquiredData[2].Data = {1, 2, 3};
    d.FirstValidSample = {1, 0, 0, 1};
    d.LastValidSample = {0, -1, 2, 0};
    d.AfterLoad();
    EXPECT_EQ(d.AcquiredData.size(), 2u);
    EXPECT_EQ(d.XOffsets.size(), 2u);
    EXPECT_EQ(d.FirstValidSample, (TIntArray{1, 0}));
    EXPECT_EQ(s.ChannelsOn, (TChannelsOn{1, 1, 0, 0, 1, 1}));

    // A list of channel flags shorter than the slots: only existing flags are set.
    s.ChannelsOn = {1, 1, 0, 0, 0};
    TLoadedData e = Consistent();
    e.AfterLoad();
    EXPECT_EQ(s.ChannelsOn, (TChannelsOn{1, 1, 0, 0, 1}));
}

TEST_F(LoadedRecord, AfterLoadRefusesARecordThatContradictsItself) {
    struct Case {
        const char *What;
        std::function<void(TLoadedData &)> Spoil;
    };
    const Case cases[] = {
        {"fewer first indices than channels", [](TLoadedData &d) { d.FirstValidSample = {0}; }},
        {"more last indices than channels",
         [](TLoadedData &d) {
             d.LastValidSample = {63, 20, 5};
         }},
        {"last index at the sample count", [](TLoadedData &d) { d.LastValidSample[0] = 64; }},
        {"negative first index", [](TLoadedData &d) { d.FirstValidSample[1] = -1; }},
        {"valid range in an empty channel", [](TLoadedData &d) { d.AcquiredData[1].Data.clear(); }},
        {"a channel without its probe", [](TLoadedData &d) { d.Copy.ProbeMode = {0}; }},
        {"a channel without its filter", [](TLoadedData &d) { d.Copy.FilterOn.clear(); }},
        {"a channel without its filter factor", [](TLoadedData &d) { d.Copy.FilterFactor = {4}; }},
        {"a channel without its trigger level", [](TLoadedData &d) { d.Copy.TriggerLevel = {4}; }},
        {"a channel without its ground flag", [](TLoadedData &d) { d.Copy.Ground = {0}; }},
        {"a channel without its coupling", [](TLoadedData &d) { d.Copy.DCCoupling = {0}; }},
        {"a channel without its ground position", [](TLoadedData &d) { d.Copy.GroundPosition = {1}; }},
        {"a ground position not a number",
         [](TLoadedData &d) { d.Copy.GroundPosition[1] = std::numeric_limits<double>::quiet_NaN(); }},
        {"fewer primary sources",
         [](TLoadedData &d) {
             d.Copy.TriggerSourceOn[0] = {1, 1};
         }},
        {"fewer secondary edges", [](TLoadedData &d) { d.Copy.TriggerLeading[1] = {1}; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.What);
        s.ChannelsOn = {1, 1, 0, 0, 0, 0};
        TLoadedData d = Consistent();
        c.Spoil(d);
        EXPECT_THROW(d.AfterLoad(), ERecordCorrupted);
        EXPECT_EQ(s.ChannelsOn, (TChannelsOn{1, 1, 0, 0, 0, 0}));
    }
    // An empty channel may hold any indices that say it is empty; more entries than channels elsewhere
    // are allowed.
    TLoadedData d = Consistent();
    d.AcquiredData[1].Data.clear();
    d.FirstValidSample[1] = 5;
    d.LastValidSample[1] = -3;
    d.Copy.ProbeMode = {0, 0, 0, 0};
    EXPECT_NO_THROW(d.AfterLoad());
}

TEST_F(LoadedRecord, ARangeListOfAnotherInstrumentIsImproper) {
    for (TRealArray range : {TRealArray{0.5, 0.5, 0.5}, TRealArray{0.5}, TRealArray{}}) {
        s.ChannelsOn = {1, 1, 0, 0, 0, 0};
        TLoadedData d = Consistent();
        d.Range = range;
        EXPECT_THROW(d.AfterLoad(), ERangeDefinition) << range.size();
        EXPECT_EQ(s.ChannelsOn, (TChannelsOn{1, 1, 0, 0, 0, 0}));
    }
}

TEST_F(LoadedRecord, ShowTracesHandsTheTracesAndOffsetsToTheDataSource) {
    s.ChannelsOn = {1, 1, 0, 0, 1, 1};
    TLoadedData d = Consistent();
    d.AcquiredData[0].Data.assign(8192, 50);
    d.AcquiredData[1].Data.assign(8192, 250);
    d.FirstValidSample = {0, 0};
    d.LastValidSample = {8191, 8191};
    d.AfterLoad();
    d.AddXOffset(0, 10);
    d.AddXOffset(0, -4);
    d.AddYOffset(1, 20);
    d.AddYOffset(2, 99); // no such trace
    d.AddXOffset(-1, 99);
    EXPECT_EQ(d.XOffsets, (TIntArray{6, 0}));
    EXPECT_EQ(d.YOffsets, (TIntArray{0, 20}));
    d.ShowTraces(s, source);
    const TWaveform &a = source.Waveforms()[4], &b = source.Waveforms()[5];
    EXPECT_EQ(a.First, 6);
    EXPECT_EQ(a.Data[6], 50);
    EXPECT_EQ(b.First, 0);
    EXPECT_EQ(b.Data[0], 255);
    EXPECT_EQ(recorder.Count(bmScreenDataReady), 1u);
    EXPECT_EQ(recorder.Count(bmQuickViewDataReady), 1u);
}

// A record that differs from the requested settings in every field.
TLoadedData Different(TSettingsTarn &s) {
    TLoadedData d(s);
    TDeviceSettings &c = d.Copy;
    c = s.RequestedSettings();
    c.MemorySize = 4096;
    c.WCD = 20;
    c.Shift = {55, -55};
    c.FilterOn = {1, 1};
    c.FilterFactor = {7, 8};
    c.TriggerSourceOn = {TBoolArray{0, 1, 1}, TBoolArray{1, 1, 1}};
    c.TriggerLeading = {TBoolArray{1, 0, 1}, TBoolArray{0, 0, 1}};
    c.TriggerLevel = {30, 40, 50};
    c.TriggerCount = {5, 6};
    c.TriggerLength = {70, 80};
    c.TriggerMode = 3;
    c.AfterTrigger = 999;
    c.HoldOff = 44;
    c.ProbeMode = {2, 1};
    c.Ground = {1, 1};
    c.DCCoupling = {0, 0};
    c.GroundPosition = {90.0, 170.0};
    c.HoldChannel = {1, 1};
    d.ATMode = 4;
    d.HFMode = 2;
    d.SimpleTrigger = true;
    d.Range = {5, 0.05};
    d.TimeBase = 1e6;
    d.AcquiredData.assign(2, TWaveform{});
    d.FirstValidSample = {0, 0};
    d.LastValidSample = {-1, -1};
    return d;
}

TEST_F(LoadedRecord, ApplySettingsMakesTheRecordTheRequestedSettings) {
    TDeviceSettings &r = s.RequestedSettings();
    r.Shift = {3, 4};
    r.HoldChannel = {0, 1};
    TLoadedData d = Different(s);
    d.AfterLoad();
    EXPECT_EQ(d.CompareSettings(), cdRangeOrTimeBase | cdOther);

    d.ApplySettings(s, source);
    EXPECT_EQ(r.TimeBase, 2);
    EXPECT_EQ(r.Range, (TIntArray{2, 0}));
    EXPECT_EQ(r.GroundPositionMove, (TDoubleArray{90.0 - 100.0, 170.0 - 150.0}));
    EXPECT_EQ(r.GroundPosition, (TDoubleArray{100.0, 150.0}));
    EXPECT_EQ(r.MemorySize, 4096);
    EXPECT_EQ(r.FilterOn, (TBoolArray{1, 1}));
    EXPECT_EQ(r.FilterFactor, (TIntArray{7, 8}));
    EXPECT_EQ(r.TriggerSourceOn, d.Copy.TriggerSourceOn);
    EXPECT_EQ(r.TriggerLeading, d.Copy.TriggerLeading);
    EXPECT_EQ(r.TriggerCount, (std::array<int32_t, 2>{5, 6}));
    EXPECT_EQ(r.TriggerLength, (std::array<int32_t, 2>{70, 80}));
    // Levels per physical channel; the external source's stays.
    EXPECT_EQ(r.TriggerLevel, (TIntArray{30, 40, 127}));
    EXPECT_EQ(r.TriggerMode, 3);
    EXPECT_EQ(r.AfterTrigger, 999);
    EXPECT_EQ(r.HoldOff, 44);
    EXPECT_EQ(r.ProbeMode, (TIntArray{2, 1}));
    EXPECT_EQ(r.Ground, (TBoolArray{1, 1}));
    EXPECT_EQ(r.DCCoupling, (TBoolArray{0, 0}));
    EXPECT_EQ(r.WCD, 20);
    EXPECT_EQ(s.ATMode, 4);
    EXPECT_EQ(s.HFMode, 2);
    EXPECT_TRUE(s.SimpleTrigger);
    // Not applied.
    EXPECT_EQ(r.Shift, (TIntArray{3, 4}));
    EXPECT_EQ(r.HoldChannel, (TBoolArray{0, 1}));
    const auto stages = recorder.Of(bmSettingsApplied);
    ASSERT_EQ(stages.size(), 10u);
    for (int32_t i = 0; i < 10; ++i)
        EXPECT_EQ(stages[size_t(i)].Param, i);
    EXPECT_EQ(recorder.Log.size(), 10u);

    // Only the ground positions of the shown record still differ, by more than half a level.
    EXPECT_EQ(d.CompareSettings(), cdOther);
    s.ShownSettings().GroundPosition = {90.5, 169.5};
    EXPECT_EQ(d.CompareSettings(), 0);
    s.ShownSettings().GroundPosition = {90.5, 169.49};
    EXPECT_EQ(d.CompareSettings(), cdOther);
}

TEST_F(LoadedRecord, ApplySettingsBringsAHandEditedRecordWithinTheInstrument) {
    TLoadedData d = Different(s);
    d.Copy.MemorySize = 5000;
    d.Copy.TriggerLevel = {-20, 400};
    d.Copy.TriggerLength = {70, 80};
    d.AfterLoad();
    d.ApplySettings(s, source);
    const TDeviceSettings &r = s.RequestedSettings();
    EXPECT_EQ(r.MemorySize, 4096);
    EXPECT_EQ(r.TriggerLevel, (TIntArray{0, 255, 127}));
}

// A ground position past any level, in each format, reaches the device as a move to the end of the
// shift range: before, the conversion to a level left the integer range and both shifts became 0.
TEST_F(LoadedRecord, AHugeGroundPositionMovesTheGroundToTheEndOfTheShiftRange) {
    struct TCase {
        const char *Name;
        size_t Format;
        double Ground;
        int32_t Shift;
    } cases[] = {
        {"rsb with 1E308", 0, 1e308, 100},
        {"rsc with 6.5E150", 1, 6.5e150, 100},
        {"rsa with 1E308", 2, 1e308, 100},
        {"rsa with -1E308", 2, -1e308, -100},
    };
    auto bytes = [](const std::string &path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    // The vertical controller's part: the device's answer becomes the requested shift.
    recorder.OnMessage = [this](int32_t Msg, int32_t Param, void *Data) {
        if (Msg == bmShiftValueSet)
            s.RequestedSettings().Shift[size_t(Param)] = *static_cast<int32_t *>(Data);
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        TDeviceSettings &r = s.RequestedSettings();
        r.Shift = {3, 4};
        r.GroundPosition = {100.0, 150.0};
        TLoadedData written = Consistent();
        written.Copy.GroundPosition = {c.Ground, 150.0};
        const std::string file =
            Save(written, c.Format, std::string("ground.") + TSaveLoadFormatDesc[c.Format].Extension);
        const std::string before = bytes(file);

        TLoadedData d(s);
        ASSERT_TRUE(Load(d, c.Format, file));
        EXPECT_EQ(d.Copy.GroundPosition[0], c.Ground);
        d.AfterLoad();
        d.ApplySettings(s, source);

        TFakeDevice device;
        device.ShiftPerPosition = 2;
        device.Ground[0] = 100;
        device.Ground[1] = 150;
        TAcquisitionContext context;
        context.Settings = &s;
        context.DataSource = &source;
        context.Bus = &bus;
        context.Device = &device;
        TAcquisitionThread thread(context);
        thread.PushSettings();
        EXPECT_EQ(r.Shift, (TIntArray{c.Shift, 4}));
        EXPECT_EQ(r.GroundPositionMove, (TDoubleArray{0, 0}));
        // What the exit save writes: the held shift, not 0.
        TXMLSettings store;
        s.SaveToXML(store);
        EXPECT_EQ(store.ReadIntArray("/device/vertical/shift", {0, 0}), (TIntArray{c.Shift, 4}));
        EXPECT_EQ(bytes(file), before) << "the record file is only read";
    }
}

TEST_F(LoadedRecord, CompareSettingsTellsWhichKindOfValueDiffers) {
    struct Case {
        const char *What;
        std::function<void(TLoadedData &)> Change;
        int32_t Expected;
    };
    const Case cases[] = {
        {"nothing", [](TLoadedData &) {}, 0},
        {"time base", [](TLoadedData &d) { d.Copy.TimeBase = 0; }, cdRangeOrTimeBase},
        {"range of B", [](TLoadedData &d) { d.Copy.Range[1] = 0; }, cdRangeOrTimeBase},
        {"memory size", [](TLoadedData &d) { d.Copy.MemorySize = 1024; }, cdOther},
        {"trigger mode", [](TLoadedData &d) { d.Copy.TriggerMode = 1; }, cdOther},
        {"after trigger", [](TLoadedData &d) { d.Copy.AfterTrigger += 1; }, cdOther},
        {"hold-off", [](TLoadedData &d) { d.Copy.HoldOff += 1; }, cdOther},
        {"AT mode", [](TLoadedData &d) { d.ATMode = 1; }, cdOther},
        {"HF mode", [](TLoadedData &d) { d.HFMode = 1; }, cdOther},
        {"simple trigger", [](TLoadedData &d) { d.SimpleTrigger = true; }, cdOther},
        {"filter of B", [](TLoadedData &d) { d.Copy.FilterOn[1] = 1; }, cdOther},
        {"filter factor of A", [](TLoadedData &d) { d.Copy.FilterFactor[0] += 1; }, cdOther},
        {"trigger level of B", [](TLoadedData &d) { d.Copy.TriggerLevel[1] += 1; }, cdOther},
        {"probe of A", [](TLoadedData &d) { d.Copy.ProbeMode[0] = 2; }, cdOther},
        {"ground of B", [](TLoadedData &d) { d.Copy.Ground[1] = 1; }, cdOther},
        {"coupling of A", [](TLoadedData &d) { d.Copy.DCCoupling[0] = 0; }, cdOther},
        {"WCD", [](TLoadedData &d) { d.Copy.WCD = 8; }, cdOther},
        {"ground position by 0.5", [](TLoadedData &d) { d.Copy.GroundPosition[0] += 0.5; }, 0},
        {"ground position by 0.75", [](TLoadedData &d) { d.Copy.GroundPosition[1] -= 0.75; }, cdOther},
        {"external primary source", [](TLoadedData &d) { d.Copy.TriggerSourceOn[0][2] = 1; }, cdOther},
        {"secondary edge of A", [](TLoadedData &d) { d.Copy.TriggerLeading[1][0] = 1; }, cdOther},
        {"secondary count", [](TLoadedData &d) { d.Copy.TriggerCount[1] += 1; }, cdOther},
        {"primary length", [](TLoadedData &d) { d.Copy.TriggerLength[0] += 1; }, cdOther},
        {"range and probe", [](TLoadedData &d) { d.Copy.Range[0] = 0, d.Copy.ProbeMode[1] = 1; },
         cdRangeOrTimeBase | cdOther},
        {"the shift is not compared", [](TLoadedData &d) { d.Copy.Shift[0] += 5; }, 0},
        {"the external trigger level is not compared", [](TLoadedData &d) { d.Copy.TriggerLevel[2] += 5; },
         0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.What);
        TLoadedData d = Consistent();
        d.AfterLoad();
        c.Change(d);
        EXPECT_EQ(d.CompareSettings(), c.Expected);
    }
    // Ground positions are compared with the shown record, not the requested settings.
    TLoadedData d = Consistent();
    d.AfterLoad();
    s.RequestedSettings().GroundPosition = {0, 0};
    EXPECT_EQ(d.CompareSettings(), 0);
    s.ShownSettings().GroundPosition[0] = 99;
    EXPECT_EQ(d.CompareSettings(), cdOther);
}

} // namespace
} // namespace scope
