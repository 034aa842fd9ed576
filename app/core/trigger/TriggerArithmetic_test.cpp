#include "trigger/TriggerArithmetic.h"

#include "device/DemoDevice.h"
#include "settings/SettingsTarn.h"

#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <sstream>
#include <vector>

namespace scope {
namespace {

constexpr int32_t Max32 = std::numeric_limits<int32_t>::max();
constexpr int32_t Min32 = std::numeric_limits<int32_t>::min();

// The demonstration instrument with its default settings, plus two rows of its own: one with an
// equivalent-time factor of 4 (not flagged) and the demonstration's first equivalent-time row.
struct TDemoSettings {
    TSettingsTarn S;
    int32_t DefaultRow = 0, G4Row = 0, EquivalentRow = 17;

    TDemoSettings() {
        TDAO_DEMO demo;
        demo.GetCapabilities(S);
        S.Document.ResetRoot();
        S.LoadFromXML(S.Document);
        DefaultRow = S.RequestedSettings().TimeBase;
        G4Row = int32_t(S.TimeBases.size());
        S.TimeBases.push_back(TTimeBaseRow{4e6, 1e6, 0, 0});
    }
    TDeviceSettings &R() { return S.RequestedSettings(); }
};

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

TEST(TriggerNormalize, FreshDemonstrationSettingsChangeOnlyThePrimaryLength) {
    TDemoSettings d;
    TXMLSettings before, after;
    d.S.SaveToXML(before);
    NormalizeTriggerSettings(d.S);
    d.S.SaveToXML(after);
    const auto a = Lines(before.FileText()), b = Lines(after.FileText());
    ASSERT_EQ(a.size(), b.size());
    std::vector<std::pair<std::string, std::string>> changed;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            changed.emplace_back(a[i], b[i]);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(d.R().TriggerLength[0], 8) << changed[0].first << " -> " << changed[0].second;
    EXPECT_NE(changed[0].second.find(">8<"), std::string::npos) << changed[0].second;
}

TEST(TriggerNormalize, TableOfLimitsModesAndSteps) {
    enum { Default, G4, Equivalent };
    struct TCase {
        const char *Name;
        int Row;
        std::function<void(TSettingsTarn &, TDeviceSettings &)> Set;
        std::function<void(const TSettingsTarn &, const TDeviceSettings &)> Expect;
    };
    const TCase cases[] = {
        {"mode -1 wraps to Manual", Default, [](auto &, auto &r) { r.TriggerMode = -1; },
         [](auto &, auto &r) { EXPECT_EQ(r.TriggerMode, 3); }},
        {"mode 4 wraps to Auto", Default, [](auto &, auto &r) { r.TriggerMode = 4; },
         [](auto &, auto &r) { EXPECT_EQ(r.TriggerMode, 0); }},
        {"Min on the default row", Default, [](auto &s, auto &) { s.ATMode = 3; },
         [](auto &s, auto &r) { EXPECT_EQ(r.AfterTrigger, s.AfterTriggerMin); }},
        {"Min with g = 4", G4, [](auto &s, auto &) { s.ATMode = 3; },
         [](auto &s, auto &r) { EXPECT_EQ(r.AfterTrigger, s.AfterTriggerMin * 4); }},
        {"HSC is half the memory", Default, [](auto &s, auto &r) { s.ATMode = 0, r.MemorySize = 16384; },
         [](auto &, auto &r) { EXPECT_EQ(r.AfterTrigger, 8192); }},
        {"FSC above the maximum", Default, [](auto &s, auto &r) { s.ATMode = 1, r.MemorySize = 1 << 21; },
         [](auto &s, auto &r) { EXPECT_EQ(r.AfterTrigger, s.AfterTriggerMax); }},
        {"FSC above a maximum that is no multiple of g", G4,
         [](auto &s, auto &r) { s.ATMode = 1, r.MemorySize = 1 << 21, s.AfterTriggerMax = 1048575; },
         [](auto &, auto &r) { EXPECT_EQ(r.AfterTrigger, 1048572); }},
        {"Set 10 with g = 4", G4, [](auto &s, auto &r) { s.ATMode = 2, r.AfterTrigger = 10; },
         [](auto &, auto &r) { EXPECT_EQ(r.AfterTrigger, 8); }},
        {"Set 3 with g = 4 is below the minimum", G4,
         [](auto &s, auto &r) { s.ATMode = 2, r.AfterTrigger = 3; },
         [](auto &, auto &r) { EXPECT_EQ(r.AfterTrigger, 4); }},
        {"after-trigger mode out of range is HSC", Default, [](auto &s, auto &) { s.ATMode = 7; },
         [](auto &s, auto &r) {
             EXPECT_EQ(s.ATMode, 0);
             EXPECT_EQ(r.AfterTrigger, r.MemorySize / 2);
         }},
        {"unit out of range is seconds", Default, [](auto &s, auto &) { s.ATValueMode = 3; },
         [](auto &s, auto &) { EXPECT_EQ(s.ATValueMode, 0); }},
        {"Auto with the whole memory after the trigger", Default,
         [](auto &s, auto &) { s.ATMode = 1, s.HFMode = 0, s.HoldOffMin = 8; },
         [](auto &s, auto &r) {
             EXPECT_EQ(r.AfterTrigger, r.MemorySize);
             EXPECT_EQ(r.HoldOff, s.HoldOffMin);
         }},
        {"Auto is the rest of the memory", Default,
         [](auto &s, auto &r) { s.HFMode = 0, r.AfterTrigger = 500; },
         [](auto &, auto &r) { EXPECT_EQ(r.HoldOff, 8192 - 500); }},
        {"hold-off 6 rounds up to 8", Default, [](auto &, auto &r) { r.HoldOff = 6; },
         [](auto &, auto &r) { EXPECT_EQ(r.HoldOff, 8); }},
        {"hold-off 10 rounds to even, 8", Default, [](auto &, auto &r) { r.HoldOff = 10; },
         [](auto &, auto &r) { EXPECT_EQ(r.HoldOff, 8); }},
        {"hold-off steps counted from its minimum", Default,
         [](auto &s, auto &r) { s.HoldOffMin = 2, r.HoldOff = 7; },
         [](auto &, auto &r) { EXPECT_EQ(r.HoldOff, 6); }},
        {"largest stored hold-off", Default, [](auto &, auto &r) { r.HoldOff = Max32; },
         [](auto &s, auto &r) { EXPECT_EQ(r.HoldOff, s.HoldOffMax); }},
        {"negative hold-off", Default, [](auto &, auto &r) { r.HoldOff = Min32; },
         [](auto &s, auto &r) { EXPECT_EQ(r.HoldOff, s.HoldOffMin); }},
        {"hold-off mode out of range is Auto", Default, [](auto &s, auto &) { s.HFMode = 2; },
         [](auto &s, auto &) { EXPECT_EQ(s.HFMode, 0); }},
        {"equivalent time forces Auto", Equivalent, [](auto &s, auto &) { s.HFMode = 1; },
         [](auto &s, auto &r) {
             EXPECT_EQ(s.HFMode, 0);
             EXPECT_EQ(r.HoldOff, r.MemorySize - r.AfterTrigger);
         }},
        {"counts below and above", Default,
         [](auto &, auto &r) {
             r.TriggerCount = {0, 40000};
         },
         [](auto &s, auto &r) {
             EXPECT_EQ(r.TriggerCount[0], s.CountMin);
             EXPECT_EQ(r.TriggerCount[1], s.CountMax);
         }},
        {"simple on a real-time row", Default,
         [](auto &s, auto &r) {
             s.SimpleTrigger = true;
             r.TriggerCount = {7, 7};
             r.TriggerLength = {40, 40};
             r.TriggerSourceOn[1] = {1, 1, 1};
         },
         [](auto &s, auto &r) {
             EXPECT_EQ(s.HFMode, 0);
             EXPECT_EQ(r.TriggerLength[0], 2 * s.LengthStep);
             EXPECT_EQ(r.TriggerLength[1], 40);
             EXPECT_EQ(r.TriggerCount[0], s.CountMin);
             EXPECT_EQ(r.TriggerCount[1], 7);
             EXPECT_EQ(r.TriggerSourceOn[1], (TBoolArray{0, 0, 0}));
             EXPECT_EQ(r.TriggerSourceOn[0], (TBoolArray{1, 0, 0}));
         }},
        {"simple on an equivalent-time row", Equivalent,
         [](auto &s, auto &r) { s.SimpleTrigger = true, r.TriggerLength[0] = 40; },
         [](auto &, auto &r) { EXPECT_EQ(r.TriggerLength[0], 0); }},
        {"lengths 10 and 5", Default,
         [](auto &, auto &r) {
             r.TriggerLength = {10, 5};
         },
         [](auto &s, auto &r) {
             EXPECT_EQ(r.TriggerLength[0], 8);
             EXPECT_EQ(r.TriggerLength[1], s.LengthMin) << "a one-step length is not kept";
         }},
        {"largest stored length", Default,
         [](auto &, auto &r) {
             r.TriggerLength = {Max32, -5};
         },
         [](auto &s, auto &r) {
             EXPECT_EQ(r.TriggerLength[0], s.LengthMax);
             EXPECT_EQ(r.TriggerLength[1], s.LengthMin);
         }},
        {"steps of 0 do not divide", Default,
         [](auto &s, auto &r) {
             s.HoldOffStep = 0, s.LengthStep = 0, r.HoldOff = 7, r.TriggerLength = {9, 0};
         },
         [](auto &, auto &r) {
             EXPECT_EQ(r.HoldOff, 7);
             EXPECT_EQ(r.TriggerLength[0], 9);
         }},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        TDemoSettings d;
        d.S.SimpleTrigger = false;
        d.S.ATMode = 2;
        d.S.HFMode = 1;
        d.R().TimeBase = c.Row == Default ? d.DefaultRow : c.Row == G4 ? d.G4Row : d.EquivalentRow;
        c.Set(d.S, d.R());
        NormalizeTriggerSettings(d.S);
        c.Expect(d.S, d.R());
    }
}

TEST(TriggerArithmetic, EquivalentTimeFactorRoundsHalvesToEvenAndIsAtLeastOne) {
    const struct {
        TTimeBaseRow Row;
        int32_t G;
    } rows[] = {
        {{2.5e8, 1e8, 1, 0}, 2},        {{3.5e8, 1e8, 1, 0}, 4}, {{1e6, 1e6, 0, 0}, 1},
        {{1e5, 1e6, 0, 0}, 1},          {{1e6, 0, 0, 0}, 1},     {{1e6, -1, 0, 0}, 1},
        {{1e300, 1e-300, 0, 0}, Max32},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.Row.SampleRate / r.Row.RealSampleRate);
        EXPECT_EQ(EquivalentTimeFactor(&r.Row), r.G);
    }
    EXPECT_EQ(EquivalentTimeFactor(nullptr), 1);
}

TEST(TriggerArithmetic, ConversionsSaturateInsteadOfWrapping) {
    EXPECT_EQ(RoundSaturated(2.5), 2);
    EXPECT_EQ(RoundSaturated(3.5), 4);
    EXPECT_EQ(RoundSaturated(-2.5), -2);
    EXPECT_EQ(RoundSaturated(1e300), Max32);
    EXPECT_EQ(RoundSaturated(-1e300), Min32);
    EXPECT_EQ(RoundSaturated(2147483647.4), Max32);
    EXPECT_EQ(RoundSaturated(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(SamplesOfTime(2.5e6, 1e-4), 250);
    EXPECT_EQ(SamplesOfTime(2.5e6, 1000), Max32);
    EXPECT_EQ(SamplesOfPercent(8192, 50), 4096);
    EXPECT_EQ(SamplesOfPercent(Max32, 300), Max32);

    // "1000s" in Set mode ends at the maximum, not at the minimum.
    TDemoSettings d;
    d.S.ATMode = 2;
    d.R().AfterTrigger = SamplesOfTime(FirstRate(CurrentTimeBaseRow(d.S)), 1000);
    NormalizeTriggerSettings(d.S);
    EXPECT_EQ(d.R().AfterTrigger, d.S.AfterTriggerMax);
}

TEST(TriggerArithmetic, TimesKeptFromTheSlowestToTheFastestTimeBaseEndAtTheMaximum) {
    TDemoSettings d;
    d.S.SimpleTrigger = false;
    d.S.ATMode = 2;
    d.S.HFMode = 1;
    d.R().TimeBase = 0;
    d.R().AfterTrigger = d.S.AfterTriggerMax;
    d.R().HoldOff = d.S.HoldOffMax;
    d.R().TriggerLength = {d.S.LengthMax, 400};
    NormalizeTriggerSettings(d.S);
    TTriggerTimes t;
    RememberShownTimes(d.S, t);
    RememberLengthTimes(d.S, t);
    EXPECT_DOUBLE_EQ(t.LengthTime[1], 400 / 500.0);

    d.R().TimeBase = 22; // g = 100
    CountsFromTimes(d.S, t);
    NormalizeTriggerSettings(d.S);
    EXPECT_EQ(d.R().TriggerLength[0], d.S.LengthMax);
    EXPECT_EQ(d.R().TriggerLength[1], d.S.LengthMax);
    EXPECT_EQ(d.R().AfterTrigger, d.S.AfterTriggerMax / 100 * 100);
    // Hold-off is Auto on an equivalent-time row; the fastest real-time row shows its saturation.
    d.R().TimeBase = 15;
    d.S.HFMode = 1;
    CountsFromTimes(d.S, t);
    NormalizeTriggerSettings(d.S);
    EXPECT_EQ(d.R().HoldOff, d.S.HoldOffMax);
    EXPECT_EQ(d.R().AfterTrigger, d.S.AfterTriggerMax);
}

TEST(TriggerArithmetic, RememberedTimesAndPercentages) {
    TDemoSettings d;
    d.R().AfterTrigger = 2048;
    d.R().HoldOff = 5000;
    d.R().TriggerLength = {50, 8};
    TTriggerTimes t;
    RememberShownTimes(d.S, t);
    RememberLengthTimes(d.S, t);
    EXPECT_DOUBLE_EQ(t.AfterTriggerTime, 2048 / 2.5e6);
    EXPECT_DOUBLE_EQ(t.AfterTriggerPercent, 25);
    EXPECT_DOUBLE_EQ(t.HoldOffTime, 5000 / 2.5e6);
    EXPECT_DOUBLE_EQ(t.LengthTime[0], 50 / 2.5e6);

    // The product with 100 does not wrap.
    d.R().AfterTrigger = Max32;
    d.R().MemorySize = Max32;
    RememberShownTimes(d.S, t);
    EXPECT_DOUBLE_EQ(t.AfterTriggerPercent, 100);

    // No divisor of 0: rates and memory sizes not above 0 give 0.
    d.R().MemorySize = 0;
    d.S.TimeBases[size_t(d.R().TimeBase)] = TTimeBaseRow{0, -1, 0, 0};
    RememberShownTimes(d.S, t);
    RememberLengthTimes(d.S, t);
    EXPECT_EQ(t.AfterTriggerPercent, 0);
    EXPECT_EQ(t.AfterTriggerTime, 0);
    EXPECT_EQ(t.HoldOffTime, 0);
    EXPECT_EQ(t.LengthTime[0], 0);

    // Without any time base nothing is indexed.
    d.S.TimeBases.clear();
    EXPECT_EQ(CurrentTimeBaseRow(d.S), nullptr);
    t.HoldOffTime = 1;
    CountsFromTimes(d.S, t);
    EXPECT_EQ(d.R().HoldOff, 0);
    NormalizeTriggerSettings(d.S);
    EXPECT_EQ(d.R().AfterTrigger, d.S.AfterTriggerMin) << "half of no memory, raised to the minimum";
}

TEST(TriggerArithmetic, PercentKeepsItsShareOfTheMemoryAndSecondsKeepTheTime) {
    TDemoSettings d;
    d.S.ATMode = 2;
    d.R().AfterTrigger = 2048;
    TTriggerTimes t;
    RememberShownTimes(d.S, t);
    d.R().MemorySize = 32768;
    d.S.ATValueMode = 1;
    CountsFromTimes(d.S, t);
    EXPECT_EQ(d.R().AfterTrigger, 8192);
    d.S.ATValueMode = 0;
    CountsFromTimes(d.S, t);
    EXPECT_EQ(d.R().AfterTrigger, 2048);
}

TEST(TriggerArithmetic, StatusLampColours) {
    const struct {
        int32_t State, Mode;
        bool Start, Hold;
        TColor Colour;
    } rows[] = {
        {0, 0, false, false, LampRed},   {0, 1, true, false, LampRed},    {0, 2, false, false, LampGreen},
        {0, 3, false, false, LampGreen}, {0, 2, true, false, LampRed},    {0, 3, true, false, LampRed},
        {1, 2, true, false, LampYellow}, {2, 0, false, false, LampGreen}, {2, 2, true, false, LampGreen},
        {3, 0, false, false, LampGrey},  {-1, 0, false, false, LampGrey}, {1, 0, false, true, LampGreen},
        {0, 0, false, true, LampGreen},  {7, 0, false, true, LampGreen},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(testing::Message() << r.State << " " << r.Mode << " " << r.Start << " " << r.Hold);
        EXPECT_EQ(StatusLampColor(r.State, r.Mode, r.Start, r.Hold), r.Colour);
    }
    EXPECT_EQ(LampGrey, 8421504u);
}

TEST(TriggerArithmetic, MiddleLevelReadsOnlySamplesInsideTheData) {
    const struct {
        std::vector<uint8_t> Data;
        int32_t First, Last;
        std::optional<int32_t> Level;
    } rows[] = {
        {{10, 20, 200, 50}, 0, 3, 105},
        {{10, 20, 200, 50}, 1, 1, 20},
        {{10, 20, 200, 50}, 3, 2, std::nullopt},
        {{255, 255}, 0, 1, 255},
        {{0, 255}, 0, 1, 127},
        {{0, 100, 0}, -5, 1, 50},
        {{40, 60}, 0, 1000, 50},
        {{}, 0, 10, std::nullopt},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(testing::Message() << r.First << ".." << r.Last);
        TWaveform w;
        w.Data = r.Data;
        w.First = r.First;
        w.Last = r.Last;
        EXPECT_EQ(MiddleLevel(w), r.Level);
    }
}

} // namespace
} // namespace scope
