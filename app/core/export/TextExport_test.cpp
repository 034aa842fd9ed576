#include "export/TextExport.h"

#include "ModuleTypesTarn.h"
#include "settings/ExportOptionsTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/TestFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace scope {

namespace {

TScaleRow Scale(double voltsPerDiv, double ground, int32_t probeFactor = 1) {
    return {voltsPerDiv / 32 * probeFactor, ground, true};
}

TEST(TextExportFormat, LevelsInEachUnitRoundHalvesToEven) {
    struct Case {
        uint8_t Level;
        TScaleRow Row;
        int32_t Units;
        char Separator;
        const char *Text;
    } cases[] = {
        {160, Scale(0.5, 128), euMillivolts, '.', "500"},
        {160, Scale(0.5, 128), euVolts, '.', "0.5"},
        {160, Scale(0.5, 128), euLevels, '.', "160"},
        {160, Scale(0.5, 128, 10), euMillivolts, '.', "5000"},
        {160, Scale(0.5, 128, 10), euVolts, '.', "5"},
        {96, Scale(0.5, 128), euVolts, '.', "-0.5"},
        {96, Scale(0.5, 128), euMillivolts, '.', "-500"},
        // 1/64 V and 3/64 V lie halfway at the fifth decimal: to the even neighbour.
        {129, Scale(0.5, 128), euVolts, ',', "0,01562"},
        {131, Scale(0.5, 128), euVolts, ',', "0,04688"},
        {127, Scale(0.5, 128), euVolts, ',', "-0,01562"},
        {129, Scale(0.5, 128), euMillivolts, ',', "15,625"},
        // Beyond 32 bits of fifth-decimal steps.
        {255, Scale(5, 128, 1000), euMillivolts, '.', "19843750"},
        {255, Scale(5, 128, 1000), euVolts, '.', "19843.75"},
        {0, Scale(0.5, 0), euLevels, '.', "0"},
        {128, Scale(0.5, 128), euVolts, '.', "0"},
        // No scale known: a dash for voltages, the level itself for raw levels.
        {160, TScaleRow{}, euVolts, '.', "-"},
        {160, TScaleRow{}, euLevels, '.', "160"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FormatLevel(c.Level, c.Row, c.Units, c.Separator), c.Text)
            << int(c.Level) << " units " << c.Units;
}

// Two physical channels at 0.5 V/div and two module channels; rate 2 MS/s; trigger at sample 5.
class TextExportFixture : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        S.SetDefaultCapabilities();
        S.VirtualChannelCount = 2;
        S.Ranges = {{0.5, 0}, {5, 0}};
        S.TimeBases = {{2000000, 2000000, 0, 0}};
        TDeviceSettings &shown = S.ShownSettings();
        shown.MemorySize = 10;
        shown.AfterTrigger = 5;
        shown.Range = {0, 0};
        shown.GroundPosition = {128, 128};
        shown.ProbeMode = {0, 0};
        shown.VerticalParams.assign(2, TVerticalParamsRow{});
        VerticalParamsWrite(shown.VerticalParams[0].data(), 0.01, 100);
        VerticalParamsWrite(shown.VerticalParams[1].data(), 1, 0);
        Waves.resize(6);
        Waves[0] = {{160, 160, 160, 160, 160, 160, 160, 160, 160, 160}, 0, 9};
        Waves[1] = {{120, 120, 120, 120, 120, 120, 120, 120, 120, 120}, 0, 9};
        // Module channel C valid only over samples 2..4; D empty.
        Waves[2] = {{0, 0, 110, 120, 130}, 2, 4};
        Waves[3] = {};
    }
    const TExportOption &Preset(int32_t units, int32_t style, int32_t source) {
        auto p = std::make_unique<TExportOption>();
        p->Units = units;
        p->Style = style;
        p->Source = source;
        Presets.push_back(std::move(p));
        return *Presets.back();
    }
    TTextRowWriter Writer(const TExportOption &preset, char separator = '.') {
        TTextRowWriter::TInput in;
        in.Waves = &Waves;
        in.Scale = BuildScaleTable(S);
        in.TriggerPosition = S.TriggerPosition(S.ShownSettings());
        in.SampleRate = S.TimeBases[0].SampleRate;
        in.Separator = separator;
        return TTextRowWriter(preset, in);
    }
    std::string Rows(const TExportOption &preset, TSampleRange range, char separator = '.') {
        TStringSink sink;
        Writer(preset, separator).WriteRows(range, sink);
        return sink.Text;
    }

    TSettingsTarn S;
    TAcquiredData Waves;
    std::vector<std::unique_ptr<TExportOption>> Presets;
};

TEST_F(TextExportFixture, ScaleTableTakesRangesProbesAndModuleRows) {
    S.ShownSettings().ProbeMode = {1, 3};
    S.ShownSettings().Range = {0, 1};
    const TScaleTable t = BuildScaleTable(S);
    ASSERT_EQ(t.size(), 4u);
    EXPECT_DOUBLE_EQ(t[0].VoltsPerLevel, 0.5 / 32 * 10);
    EXPECT_DOUBLE_EQ(t[1].VoltsPerLevel, 5.0 / 32 * 1000);
    EXPECT_DOUBLE_EQ(t[0].GroundLevel, 128);
    EXPECT_DOUBLE_EQ(t[2].VoltsPerLevel, 0.01);
    EXPECT_DOUBLE_EQ(t[2].GroundLevel, 100);
    EXPECT_TRUE(t[3].Valid);

    // A range index outside the list and a missing module row: no scale, never a read outside.
    S.ShownSettings().Range = {7, -1};
    S.ShownSettings().VerticalParams.resize(1);
    const TScaleTable u = BuildScaleTable(S);
    EXPECT_FALSE(u[0].Valid);
    EXPECT_FALSE(u[1].Valid);
    EXPECT_TRUE(u[2].Valid);
    EXPECT_FALSE(u[3].Valid);
    EXPECT_EQ(Rows(Preset(euVolts, 0, 1 | 8), {0, 0}), "-\t-\r\n");
}

TEST_F(TextExportFixture, RowsOfAAndBInVoltsWithTime) {
    const std::string text = Rows(Preset(euVolts, 1, 3), {0, 9});
    EXPECT_EQ(text.substr(0, text.find('\n') + 1), "-2.5\t0.5\t-0.125\r\n");
    // Time 0 in the trigger's row, after it positive.
    EXPECT_NE(text.find("\r\n0\t0.5\t-0.125\r\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 16), "\r\n2\t0.5\t-0.125\r\n");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 10);
    EXPECT_EQ(Rows(Preset(euMillivolts, 1, 1), {4, 4}, ','), "-0,5\t500\r\n");
}

TEST_F(TextExportFixture, ChannelsWithoutSamplesWriteDashes) {
    // C has samples only at 2..4 (a shorter module channel), D none at all.
    EXPECT_EQ(Rows(Preset(euLevels, 0, 1 | 4 | 8), {1, 3}), "160\t-\t-\r\n160\t110\t-\r\n160\t120\t-\r\n");
    // A channel on hold keeps its old, narrower valid part: nothing stale is exported.
    Waves[1].First = 3;
    Waves[1].Last = 4;
    EXPECT_EQ(Rows(Preset(euLevels, 0, 2), {2, 5}), "-\r\n120\r\n120\r\n-\r\n");
    // Valid range claims more than the data holds.
    Waves[1].Last = 20;
    EXPECT_EQ(Rows(Preset(euLevels, 0, 2), {9, 10}), "120\r\n-\r\n");
}

TEST_F(TextExportFixture, NothingSelectedGivesEmptyLinesAndNoRangeNoRows) {
    EXPECT_EQ(Rows(Preset(euVolts, 0, 0), {0, 2}), "\r\n\r\n\r\n");
    EXPECT_EQ(Rows(Preset(euVolts, 1, 0), {5, 5}), "0\t\r\n");
    EXPECT_EQ(Rows(Preset(euVolts, 1, 3), {0, -1}), "");
}

TEST_F(TextExportFixture, RangeOfEachArea) {
    auto pointToSample = [](int32_t p) { return p * 2 + 3; };
    const TWaveform a{std::vector<uint8_t>(2000, 128), 10, 1500};
    struct Case {
        int32_t Area;
        int32_t Cursor0, Cursor1;
        int32_t First, Last;
    } cases[] = {
        {eaWholeMemory, 0, 0, 10, 1500},
        // Screen: samples 3 .. 1002, cut by the valid part at 10.
        {eaScreen, 0, 0, 10, 1002},
        {eaVerticalCursors, 300, 100, 203, 603},
        {eaVerticalCursors, 50, 50, 103, 103},
        // Cursors past the valid part are cut back to it.
        {eaVerticalCursors, 0, 900, 10, 1500},
    };
    for (const Case &c : cases) {
        S.SetVerCursorPos(0, c.Cursor0);
        S.SetVerCursorPos(1, c.Cursor1);
        const TSampleRange r = ExportRange(c.Area, a, S, pointToSample);
        EXPECT_EQ(r.First, c.First) << c.Area;
        EXPECT_EQ(r.Last, c.Last) << c.Area;
    }
    const TSampleRange none = ExportRange(eaWholeMemory, TWaveform{}, S, pointToSample);
    EXPECT_LT(none.Last, none.First);
}

TEST_F(TextExportFixture, FileSinkReplacesTheFileOnlyWithEveryRowAndReportsCreationErrors) {
    WriteFile("rows.txt", "old rows");
    TFileSink sink;
    ASSERT_TRUE(sink.Create(PathOf("rows.txt")));
    Writer(Preset(euVolts, 0, 1)).WriteRows({0, 1}, sink);
    EXPECT_EQ(ReadFile(PathOf("rows.txt")), "old rows");
    ASSERT_TRUE(sink.Commit());
    EXPECT_EQ(ReadFile(PathOf("rows.txt")), "0.5\r\n0.5\r\n");
    EXPECT_THROW(sink.Put("late\r\n"), Exception);

    TFileSink dropped;
    ASSERT_TRUE(dropped.Create(PathOf("rows.txt")));
    dropped.Put("half\r\n");
    dropped.Abort();
    EXPECT_EQ(ReadFile(PathOf("rows.txt")), "0.5\r\n0.5\r\n");
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(Folder), std::filesystem::directory_iterator()), 1);

    TFileSink missing;
    EXPECT_FALSE(missing.Create(PathOf("no/such/folder.txt")));
    EXPECT_EQ(missing.Error(), "No such file or directory");
    EXPECT_FALSE(std::filesystem::exists(PathOf("no")));
}

// A sink that fails after a number of rows, as a full disk does.
class TFailingSink : public ITextSink {
public:
    explicit TFailingSink(int rows) : Left(rows) {}
    void Put(const std::string &row) override {
        if (Left-- <= 0)
            throw Exception("No space left on device");
        Text += row;
    }
    int Left;
    std::string Text;
};

TEST_F(TextExportFixture, FailureMidwayKeepsTheRowsDelivered) {
    TFailingSink sink(2);
    EXPECT_THROW(Writer(Preset(euLevels, 0, 1)).WriteRows({0, 9}, sink), Exception);
    EXPECT_EQ(sink.Text, "160\r\n160\r\n");
}

} // namespace

} // namespace scope
