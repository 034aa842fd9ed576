#include "controllers/ParamWrapperTarn.h"

#include "MainForm.h"
#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "controllers/ChannelWrapperTarn.h"
#include "controllers/CursorsWrapperTarn.h"
#include "modules/ModuleManagerTarn.h"
#include "platform/Platform.h"
#include "platform/QtColors.h"
#include "screens/ScopeScreenTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/ui/PacingCases.h"
#include "testkit/ui/QtTestKit.h"

#include <QGroupBox>
#include <QLabel>
#include <QWidget>
#include <gtest/gtest.h>

namespace scope {
namespace {

using K = TParamWrapperTarn::TKind;

// Two channels on a 500-point screen, 32 levels a division, ground at level 128; range row 0 is
// 0.5 V/div, row 1 is 1 V/div. Both channels DC, 1:1, on row 1, both cursor kinds shown.
class Readouts : public ::testing::Test {
protected:
    void SetUp() override {
        s.SetDefaultCapabilities();
        s.Ranges = {{0.5, 0}, {1, 1}};
        s.Options = std::make_unique<TOptions>(&s);
        for (TDeviceSettings *d : {&s.RequestedSettings(), &s.ShownSettings()}) {
            s.BringWithinCapabilities(*d);
            d->Range = {1, 1};
            d->ProbeMode = {0, 0};
            d->DCCoupling = {1, 1};
            d->GroundPosition = {128, 128};
            d->TriggerLevel = {128, 128, 128};
        }
        s.ChannelsOn.assign(size_t(s.ChannelCount), 1);
        s.VerCursorsOn = s.HorCursorsOn = true;
        s.DisplayMode = 2;
        source.SetSettings(&s);
        source.SetObjMaster(&bus);
        readouts.SetSettings(&s);
        readouts.SetObjMaster(&bus);
        readouts.SetDataSource(&source);
        for (int32_t c = 0; c < 2; ++c) {
            std::array<QLabel *, TParamWrapperTarn::LabelKinds> labels{};
            for (QLabel *&l : labels)
                l = new QLabel(&panel);
            readouts.SetChannelControls(c, labels, new QWidget(&panel));
        }
        bus.Broadcast(bmInitialize, 0, nullptr);
    }
    // Gives a channel columns of one shape: average at `level`, from `low` to `high`, all valid.
    void Columns(int32_t c, uint8_t low, uint8_t level, uint8_t high, int32_t ppc = 1) {
        TChannelWave &w = source.ScreenColumns(c);
        for (TColumn &col : w.Columns)
            col = {high, low, level, 1};
        w.FirstColumn = 0;
        w.LastColumn = int32_t(w.Columns.size()) - 1;
        w.Valid = true;
        w.PointsPerSample = ppc;
    }
    std::string Text(K kind, int32_t c) { return readouts.Label(kind, c)->text().toStdString(); }
    QColor Colour(K kind, int32_t c) {
        return readouts.Label(kind, c)->palette().color(QPalette::WindowText);
    }
    void Update(int32_t msg = bmScreenDataReady) { bus.Broadcast(msg, 0, nullptr); }

    QApplication &app = TestApp();
    TObjMasterTarn bus;
    TSettingsTarn s;
    TDataSourceTarn source;
    TParamWrapperTarn readouts;
    QWidget panel;
};

TEST_F(Readouts, AChannelSwitchedOffHidesItsReadoutsWhileTheOtherUpdates) {
    Columns(0, 100, 160, 200);
    s.ChannelsOn[1] = 0;
    Update();
    for (int32_t kind = 0; kind < TParamWrapperTarn::LabelKinds; ++kind) {
        EXPECT_TRUE(readouts.Label(kind, 1)->isHidden()) << kind;
        EXPECT_FALSE(readouts.Label(kind, 0)->isHidden()) << kind;
    }
    EXPECT_TRUE(readouts.Swatch(1)->isHidden());
    EXPECT_FALSE(readouts.Swatch(0)->isHidden());
    EXPECT_EQ(Text(K::rkVoltage, 0), "1V"); // (160 - 128) levels at 1 V/div
    const TColorList colours = s.Options->GetColorArray(opColorChannels);
    EXPECT_EQ(readouts.Swatch(0)->palette().color(QPalette::Window), ToQColor(colours[0]));
}

TEST_F(Readouts, CouplingProbeAndRangeWithACInRed) {
    TDeviceSettings &shown = s.ShownSettings();
    shown.DCCoupling[0] = 0;
    shown.ProbeMode[0] = 1;
    shown.Range[0] = 0;
    s.RequestedSettings().DCCoupling[0] = 0;
    s.RequestedSettings().TriggerSourceOn[0] = {1, 1, 0};
    Columns(0, 100, 160, 200);
    Columns(1, 100, 160, 200);
    Update(bmCouplingChanged);
    EXPECT_EQ(Text(K::rkInput, 0), "AC 1:10");
    EXPECT_EQ(Text(K::rkRange, 0), "5V/d");
    EXPECT_EQ(Text(K::rkInput, 1), "DC 1:1");
    EXPECT_EQ(Text(K::rkRange, 1), "1V/d");
    const QColor red(255, 0, 0), black(0, 0, 0);
    for (K kind : {K::rkRedCursor, K::rkTrigger, K::rkVoltage}) {
        SCOPED_TRACE(int(kind));
        EXPECT_EQ(Colour(kind, 0), red);
        EXPECT_EQ(Colour(kind, 1), black);
    }
}

TEST_F(Readouts, CursorVoltagesAndTheAmplitudeInDecibels) {
    s.SetHorCursorPos(0, 96);
    s.SetHorCursorPos(1, 160);
    Columns(0, 64, 128, 192);
    s.DisplayMode = 3;
    Update(bmHorCursorMoved);
    EXPECT_EQ(Text(K::rkRedCursor, 0), "-1V");
    EXPECT_EQ(Text(K::rkCursors, 0), "2V");
    EXPECT_EQ(Text(K::rkAttenuation, 0), "6 dB") << "128 levels over cursors 64 apart";
    EXPECT_EQ(Text(K::rkVoltage, 0), "-2V 2V");

    // Cursors 40 apart: 20 log10(3.2) = 10.1 dB, with the locale's separator.
    s.SetHorCursorPos(1, 136);
    Update(bmHorCursorMoved);
    EXPECT_EQ(Text(K::rkAttenuation, 0), "10" + std::string(1, platform::DecimalSeparator()) + "1 dB");

    s.SetHorCursorPos(1, 96);
    Update(bmHorCursorMoved);
    EXPECT_EQ(Text(K::rkAttenuation, 0), "N/A") << "cursors at the same level";
    s.SetHorCursorPos(1, 160);
    Columns(0, 128, 128, 128);
    Update();
    EXPECT_EQ(Text(K::rkAttenuation, 0), "N/A") << "a flat trace";

    s.HorCursorsOn = false;
    Update(bmHorCursorsToggled);
    EXPECT_EQ(Text(K::rkRedCursor, 0), "N/A");
    EXPECT_EQ(Text(K::rkCursors, 0), "N/A");
    EXPECT_EQ(Text(K::rkAttenuation, 0), "N/A");
}

TEST_F(Readouts, TheTraceVoltageAtTheVerticalCursor) {
    TChannelWave &w = source.ScreenColumns(0);
    Columns(0, 100, 160, 200);
    for (size_t j = 0; j < w.Columns.size(); ++j)
        w.Columns[j].Average = uint8_t(j % 200);
    const struct {
        const char *Name;
        int32_t Mode, Ppc, Cursor, First, Last;
        bool ValidColumn;
        std::string Expected;
    } cases[] = {
        {"minimum", 0, 1, 50, 0, 499, true, "-875mV"},
        {"maximum", 1, 1, 50, 0, 499, true, "2.25V"},
        {"average of column 32", 2, 1, 32, 0, 499, true, "-3V"},
        {"both, on an invalid column", 3, 1, 50, 0, 499, false, "N/A"},
        {"zoomed 4:1, point 9 lies in column 2", 2, 4, 9, 0, 499, true, "-3.938V"},
        {"zoomed 8:1, point 75 lies in column 9", 2, 8, 75, 0, 499, true, "-3.719V"},
        {"a cursor stored beyond the screen", 2, 1, 600, 0, 499, true, "N/A"},
        {"a column before the first with data", 2, 1, 32, 40, 499, true, "N/A"},
        {"a column after the last with data", 2, 1, 32, 0, 20, true, "N/A"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        s.DisplayMode = c.Mode;
        w.PointsPerSample = c.Ppc;
        w.FirstColumn = c.First;
        w.LastColumn = c.Last;
        s.SetVerCursorPos(0, c.Cursor);
        for (TColumn &col : w.Columns)
            col.Valid = c.ValidColumn ? 1 : 0;
        Update(bmVerCursorMoved);
        EXPECT_EQ(Text(K::rkVoltage, 0), c.Expected);
    }
    s.VerCursorsOn = false;
    Update(bmVerCursorsToggled);
    EXPECT_EQ(Text(K::rkVoltage, 0), "N/A");
}

TEST_F(Readouts, ZoomedInTheAmplitudeSpansOnlyTheColumnsOnScreen) {
    s.SetHorCursorPos(0, 96);
    s.SetHorCursorPos(1, 160);
    Columns(0, 64, 128, 192, 4);
    TChannelWave &w = source.ScreenColumns(0);
    // Column 125 is drawn at point 500, past the screen.
    for (size_t j = 125; j < w.Columns.size(); ++j)
        w.Columns[j] = {255, 0, 128, 1};
    s.DisplayMode = 3;
    Update();
    EXPECT_EQ(Text(K::rkAttenuation, 0), "6 dB");
}

TEST_F(Readouts, TheTriggerLevelComesFromTheRequestedRecordOfItsChannel) {
    TDeviceSettings &r = s.RequestedSettings();
    r.TriggerSourceOn[1] = {0, 1, 0}; // B as the secondary source
    r.TriggerLevel = {200, 160, 128};
    r.ProbeMode = {0, 1};
    r.Range = {1, 0};
    r.GroundPosition = {128, 96};
    s.ShownSettings().ProbeMode = {0, 0}; // the shown record must not be used
    Update(bmTriggerSourceToggled);
    EXPECT_EQ(Text(K::rkTrigger, 0), "N/A");
    EXPECT_EQ(Colour(K::rkTrigger, 0), QColor(0, 0, 0));
    EXPECT_EQ(Text(K::rkTrigger, 1), "10V"); // 64 levels at 1:10 and 0.5 V/div
}

TEST_F(Readouts, EveryMessageOfItsListUpdatesAndOthersDoNot) {
    const int32_t updating[] = {bmVerCursorsToggled,    bmHorCursorsToggled, bmScreenDataReady,
                                bmTriggerSourceToggled, bmHorCursorMoved,    bmVerCursorMoved,
                                bmTriggerLevelDragged,  bmRangeChanged,      bmCouplingChanged,
                                bmProbeChanged,         bmGroundLevelChanged};
    for (int32_t msg : updating) {
        SCOPED_TRACE(msg);
        readouts.Label(K::rkInput, 0)->clear();
        Update(msg);
        EXPECT_EQ(Text(K::rkInput, 0), "DC 1:1");
    }
    readouts.Label(K::rkInput, 0)->clear();
    Update(bmTimeBaseChanged);
    EXPECT_EQ(Text(K::rkInput, 0), "");
}

TEST_F(Readouts, PacedRecordsUpdateOnceAFrameWithTheLatestAndOtherMessagesAtOnce) {
    // Record k puts channel A's trace at the vertical cursor at its level; the readout tells which shows.
    const uint8_t levels[] = {0, 160, 144, 192, 176};
    const char *const texts[] = {"", "1V", "500mV", "2V", "1.5V"};
    const TPacedControl control{[&](TFrameClock *clock) { readouts.SetFramePacing(clock); },
                                [&](int k) {
                                    Columns(0, 100, levels[k], 200);
                                    Update();
                                },
                                [&] {
                                    for (int k = 1; k < 5; ++k)
                                        if (Text(K::rkVoltage, 0) == texts[k])
                                            return k;
                                    return 0;
                                },
                                [&] {
                                    Update(bmVerCursorMoved);
                                    return std::string();
                                }};
    std::vector<TPacingCase> cases = PacingCases();
    constexpr int64_t F = PacingFrameNs;
    cases.push_back({"a cursor move does not wait, and shows the latest record",
                     {{0, 1, 1}, {F / 4, 2, 1}, {F / 2, TPacingStep::Cursor, 2}, {F / 2, 3, 2}, {F, 0, 3}}});
    for (const TPacingCase &c : cases) {
        SCOPED_TRACE(c.What);
        readouts.Label(K::rkVoltage, 0)->clear();
        EXPECT_EQ(RunPacing(c, control), "");
    }
}

// Channel A's readouts keep their distances from the right end of its box as the form is resized, in the
// design's order from the left: swatch and input, the cursor readouts, trigger and trace, dB; B's row
// lies as A's does in a box of the design width.
TEST(ReadoutsOnMainForm, AsReadoutsKeepTheirDistancesFromTheRightEndOfTheirBox) {
    TestApp();
    TScriptedMessages messages;
    TMainForm form(messages);
    const char *const fromTheLeft[][2] = {{"Shape7", "Shape8"},  {"Label21", "Label31"}, {"Bevel3", "Bevel6"},
                                          {"Image4", "Image8"},  {"Label24", "Label34"}, {"Bevel4", "Bevel7"},
                                          {"Image6", "Image10"}, {"Label26", "Label36"}, {"Bevel5", "Bevel8"},
                                          {"Label28", "Label38"}};
    std::vector<int> distances;
    for (int width : {800, 1000, 1234}) {
        form.Client()->resize(width, 600);
        form.FormResize();
        const int w = width / 2 - 2;
        EXPECT_EQ(form.GroupBox9->width(), w);
        std::vector<int> now;
        for (const auto &names : fromTheLeft) {
            SCOPED_TRACE(names[0]);
            QWidget *c = form.GroupBox9->findChild<QWidget *>(names[0]);
            QWidget *b = form.GroupBox10->findChild<QWidget *>(names[1]);
            ASSERT_NE(c, nullptr);
            ASSERT_NE(b, nullptr);
            now.push_back(w - c->x());
            EXPECT_EQ(792 / 2 - 2 - b->x(), now.back()) << "B as A in a box of the design width";
            if (now.size() > 1) {
                EXPECT_LT(now.back(), now[now.size() - 2]) << "right of the piece before";
            }
        }
        if (distances.empty())
            distances = now;
        EXPECT_EQ(now, distances) << width;
    }
    // The readouts are the labels the controller fills.
    EXPECT_EQ(form.ParamWrapperTarn1().Label(TParamWrapperTarn::rkInput, 0),
              form.GroupBox9->findChild<QLabel *>("Label21"));
    EXPECT_EQ(form.ParamWrapperTarn1().Label(TParamWrapperTarn::rkAttenuation, 1)->parentWidget(),
              form.GroupBox10);

    // Bus order: the cursors first, the readouts 8th, the channels right after the module host.
    auto place = [&](const TBusMember &m) { return BusPlace(form.ObjMasterTarn1(), m); };
    EXPECT_EQ(place(form.CursorsWrapperTarn1()), 0);
    EXPECT_LT(place(form.DataSourceTarn1()), place(form.ParamWrapperTarn1()));
    EXPECT_EQ(place(form.ChannelWrapperTarn1()), place(form.ModuleManagerTarn1()) + 1);
    EXPECT_LT(place(form.ChannelWrapperTarn1()), place(*form.ScopeScreenTarn1));
}

} // namespace
} // namespace scope
