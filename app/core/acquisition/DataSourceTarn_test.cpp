#include "acquisition/DataSourceTarn.h"

#include "bus/ObjMasterTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/BusRecorder.h"
#include "testkit/TestSettings.h"

#include <vector>

#include <gtest/gtest.h>

namespace scope {

namespace {

using TMessages = std::vector<std::pair<int32_t, int32_t>>;

TWaveform Ramp(int32_t n, int32_t first, int32_t last, int32_t base = 0) {
    TWaveform w;
    for (int32_t i = 0; i < n; ++i)
        w.Data.push_back(uint8_t(base + i));
    w.First = first;
    w.Last = last;
    return w;
}

struct TSourceFixture : ::testing::Test {
    TObjMasterTarn Bus;
    TSettingsTarn Settings;
    TDataSourceTarn Source;
    // Stands for the displays: records what the data source says and answers the quick-view width.
    TBusRecorder Displays;
    TMessages Seen() const {
        return Displays.Pairs({bmScreenDataReady, bmQuickViewDataReady, bmRecordLengthChanged});
    }
    size_t Queries() const { return Displays.Count(bmQueryQuickViewWidth); }

    void SetUp() override {
        Settings.SetDefaultCapabilities();
        Settings.VirtualChannelCount = 2;
        Settings.Options = std::make_unique<TOptions>(&Settings); // colour lists sized to the channels
        Settings.PointsOnScreen = 4;
        Settings.ShownSettings().MemorySize = 8;
        Settings.DisplayRatio = 2;
        Settings.QuickViewOn = true;
        Settings.ChannelsOn = {1, 0, 1, 0, 1, 0};
        Displays.Answers[bmQueryQuickViewWidth] = 4;
        Displays.KeepsAnswered = true;
        JoinBus(Bus, Settings, {&Source, &Displays});
        Bus.Broadcast(bmInitialize, 0, nullptr);
    }
};

TEST_F(TSourceFixture, InitializeSizesEveryChannelEmpty) {
    ASSERT_EQ(Source.ChannelCount(), 6);
    for (int32_t c = 0; c < 6; ++c) {
        EXPECT_TRUE(Source.Waveforms()[size_t(c)].Empty());
        EXPECT_EQ(Source.ScreenColumns(c).Columns.size(), 4u);
        EXPECT_FALSE(Source.ScreenColumns(c).Valid);
    }
}

TEST_F(TSourceFixture, NewRecordIsReducedForTheChannelsThatAreOn) {
    const uint32_t red = Settings.Options->GetColorArray(opColorChannels).at(0);
    TAcquiredData data = {Ramp(8, 0, 7, 10), Ramp(8, 0, 7), Ramp(8, 2, 5, 100), Ramp(8, 0, -1)};
    Source.SetAcquiredData(data);
    EXPECT_EQ(Seen(), (TMessages{{bmRecordLengthChanged, 0}, {9, 0b101}, {17, 0b101}}));
    const TChannelWave &a = Source.ScreenColumns(0);
    EXPECT_TRUE(a.Valid);
    EXPECT_EQ(a.Columns[3].Maximum, 17);
    EXPECT_EQ(a.Columns[3].Minimum, 15); // joined to column 2 (14, 15)
    EXPECT_EQ(a.Columns[3].Average, 16);
    EXPECT_FALSE(Source.ScreenColumns(1).Valid); // switched off
    const TChannelWave &c = Source.ScreenColumns(2);
    EXPECT_EQ(c.FirstColumn, 1);
    EXPECT_EQ(c.LastColumn, 2);
    EXPECT_EQ(Source.QuickViewColumns(0).Columns.size(), 4u);
    EXPECT_EQ(Source.QuickViewColumns(0).Colour, red);
    EXPECT_EQ(Source.Waveforms()[2].Data[2], 102);
    EXPECT_EQ(Source.Waveforms()[2].First, 2);

    Displays.Clear();
    Source.SetAcquiredData(data); // same length: no length message
    EXPECT_EQ(Seen(), (TMessages{{9, 0b101}, {17, 0b101}}));
}

TEST_F(TSourceFixture, ScreenStartsAtTheDisplayStartPlusTheQuickViewStart) {
    Settings.DisplayStart = 2;
    Settings.QuickViewStart = 2;
    Settings.DisplayRatio = 0.5; // zoomed in: one sample per column, two points per sample
    Source.SetAcquiredData({Ramp(8, 0, 7)});
    EXPECT_EQ(Source.ScreenColumns(0).Columns[0].Average, 4);
    EXPECT_EQ(Source.ScreenColumns(0).PointsPerSample, 2);
    EXPECT_EQ(Source.ScreenColumns(0).LastColumn, 3);
    Settings.QuickViewOn = false;
    Settings.DisplayRatio = 0; // never divides or loops
    Bus.Broadcast(bmZoomChanged, 0, nullptr);
    EXPECT_EQ(Source.ScreenColumns(0).Columns[0].Average, 2);
    EXPECT_EQ(Source.ScreenColumns(0).PointsPerSample, 1);
}

TEST_F(TSourceFixture, RecordIndicesPastItsSamplesAreCutToThem) {
    Source.SetAcquiredData({Ramp(8, 0, 7)});
    Source.SetAcquiredData({Ramp(3, 0, 500)});
    EXPECT_EQ(Source.Waveforms()[0].Last, 2);
    Settings.ShownSettings().MemorySize = 2; // the shown length is shorter than what arrives
    Source.SetAcquiredData({Ramp(8, 0, 7)});
    EXPECT_EQ(Source.Waveforms()[0].Data.size(), 2u);
    EXPECT_EQ(Source.Waveforms()[0].Last, 1);
}

TEST_F(TSourceFixture, QuickViewNeedsAnAnsweringQuickViewAndIsNotAskedWhenHidden) {
    TAcquiredData data = {Ramp(8, 0, 7)};
    Displays.Answers.erase(bmQueryQuickViewWidth);
    Source.SetAcquiredData(data);
    EXPECT_FALSE(Source.QuickViewColumns(0).Valid);
    EXPECT_TRUE(Source.ScreenColumns(0).Valid);
    Displays.Answers[bmQueryQuickViewWidth] = 2;
    Source.ReduceAllToQuickView();
    EXPECT_TRUE(Source.QuickViewColumns(0).Valid);
    EXPECT_EQ(Source.QuickViewColumns(0).Columns[1].Maximum, 7);
    Settings.QuickViewOn = false;
    Displays.Clear();
    Source.ReduceAllToQuickView();
    EXPECT_FALSE(Source.QuickViewColumns(0).Valid);
    EXPECT_EQ(Queries(), 0u);
    EXPECT_TRUE(Seen().empty()); // no message from the resize path
}

TEST_F(TSourceFixture, MessagesRecomputeWithTheirMasks) {
    Source.SetAcquiredData({Ramp(8, 0, 7), Ramp(8, 0, 7)});
    struct TRow {
        int32_t Msg;
        TMessages Expected;
    };
    for (const TRow &row : {TRow{bmZoomChanged, {{9, 0b10101}}}, TRow{bmDisplayWindowChanged, {{9, 0b10101}}},
                            TRow{bmChannelToggled, {{9, 0b111111}, {17, 0b111111}}},
                            TRow{bmModuleChannelAssigned, {{9, 0b111111}, {17, 0b111111}}},
                            TRow{bmModuleListChanged, {{9, 0b111111}, {17, 0b111111}}}}) {
        SCOPED_TRACE(row.Msg);
        Displays.Clear();
        Bus.Broadcast(row.Msg, 2, nullptr);
        EXPECT_EQ(Seen(), row.Expected);
    }
    Settings.ChannelsOn[0] = 0;
    Bus.Broadcast(bmChannelToggled, 0, nullptr);
    EXPECT_FALSE(Source.ScreenColumns(0).Valid);
    EXPECT_EQ(Source.ScreenColumns(0).Columns[0].Valid, 1); // stale columns are kept
}

TEST_F(TSourceFixture, LoadedTracesAreShiftedClampedAndSurviveClearingTheScreen) {
    Source.SetAcquiredData({Ramp(8, 0, 7)});
    TWaveform trace;
    trace.Data = {10, 250, 20, 30, 40, 5, 60, 70};
    trace.First = 0;
    trace.Last = 7;
    Displays.Clear();
    Source.SetLoadedTraces({trace, trace}, {2, -3}, {10, -10});
    EXPECT_EQ(Seen(), (TMessages{{9, 0b010000}, {17, 0b010000}}));
    const TWaveform &p = Source.Waveforms()[4];
    EXPECT_EQ(p.First, 2); // the first two samples have nothing behind them
    EXPECT_EQ(p.Last, 7);
    EXPECT_EQ(p.Data[2], 20);
    EXPECT_EQ(p.Data[3], 255); // 250 + 10 clamped
    const TWaveform &q = Source.Waveforms()[5];
    EXPECT_EQ(q.First, 0);
    EXPECT_EQ(q.Last, 4);
    EXPECT_EQ(q.Data[2], 0); // 5 - 10 clamped
    EXPECT_EQ(q.Data[0], 20);

    Displays.Clear();
    Bus.Broadcast(bmClearScreen, 0, nullptr);
    for (int32_t c = 0; c < 4; ++c)
        EXPECT_TRUE(Source.Waveforms()[size_t(c)].Empty());
    EXPECT_FALSE(Source.ScreenColumns(0).Valid);
    EXPECT_EQ(Source.Waveforms()[4].Last, 7);
    EXPECT_TRUE(Source.ScreenColumns(4).Valid);
    EXPECT_EQ(Seen(), (TMessages{{9, 0b111111}, {17, 0b111111}}));
}

} // namespace

} // namespace scope
