#include "ParamCalculator.h"
#include "TestHost.h"
#include "Waveforms.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

namespace parmod {

namespace {

constexpr double NA = std::numeric_limits<double>::quiet_NaN();

// One computation against the test host; rows read back as values, NaN when not available.
class Calculation {
public:
    Calculation() {
        Link.Attach(5, TTestHost::Callback);
        DefineParamRows(Params);
        Host.Ground = {128, 128};
        Host.ProbeRange = {1000, 1000}; // q = 31.25 mV per level
        Host.SampleRate = 10;           // 10 samples per ms
    }

    void Run(std::array<bool, 4> flags = {true, true, false, false}) {
        Calculator.SetDataFlags(flags);
        Calculator.CalculateParams();
    }

    double Row(int32_t row, int32_t channel = 0) {
        const TParamChannel c = Params.Param(row).Channel(channel);
        return c.Valid ? c.Now : NA;
    }

    TTestHost Host;
    THostLink Link;
    TWaveParamsPellx Params;
    TParamStatsPellx Stats;
    TParamCalculator Calculator{Link, Params, Stats};
};

constexpr double Q = 1000.0 / 32 / 1000; // volts per level

struct Expected {
    int32_t Row;
    double Value; // NaN: not available
};

struct WaveCase {
    const char *Name;
    std::vector<uint8_t> Samples;
    double Rate;
    std::vector<Expected> Rows;
    double Tolerance; // relative
};

} // namespace

// Generated waveforms with known answers.
TEST(ParamCalculator, ReferenceWaveforms) {
    // Trapezoid, period 100: 40 samples at 50, a rise through 9 samples, an overshoot to 210, the top at
    // 200 up to sample 89, a fall through 9 samples back to 50 at sample 99.
    std::vector<uint8_t> trapezoid(100);
    for (int32_t i = 0; i < 100; ++i) {
        if (i < 40)
            trapezoid[i] = 50;
        else if (i < 49)
            trapezoid[i] = static_cast<uint8_t>(50 + 15 * (i - 39));
        else if (i == 49)
            trapezoid[i] = 210;
        else if (i < 90)
            trapezoid[i] = 200;
        else
            trapezoid[i] = static_cast<uint8_t>(200 - 15 * (i - 89));
    }
    const double sineRms = 100 / std::sqrt(2.0) * Q;
    const std::vector<WaveCase> cases{
        {"ideal square, period 100",
         waveforms::Square(100, 50, 50, 200, 10000),
         10,
         {{prPeakPeak, 150 * Q},
          {prPeakPlus, 72 * Q},
          {prPeakMinus, -78 * Q},
          {prFrequency, 100},
          {prRPM, 6000},
          {prPeriod, 0.01},
          {prDCVoltage, -3 * Q},
          {prVavg, 75 * Q},
          {prVrms, std::sqrt((78.0 * 78 + 72.0 * 72) / 2) * Q},
          {prCrestFactor, std::sqrt((78.0 * 78 + 72.0 * 72) / 2) * Q * 200 / (150 * Q)},
          {prDutyFactor, 50},
          // widths run from the last sample below 10 % to the first below 10 % after the other edge
          {prHighPulseWidth, 49 / 10000.0},
          {prLowPulseWidth, 49 / 10000.0},
          {prHighPulseLevel, 72 * Q},
          {prLowPulseLevel, -78 * Q},
          {prHighOvershoot, 0},
          {prLowOvershoot, 0},
          {prRiseTime, NA}, // no sample on the edge
          {prFallTime, NA}},
         1e-9},
        {"ideal square, duty 30 %, RPM out of range",
         waveforms::Square(200, 140, 20, 230, 20000),
         1000,
         {{prFrequency, 5000},
          {prRPM, NA},
          {prPeriod, 200e-6},
          {prDutyFactor, 30},
          {prHighPulseWidth, 59e-6},
          {prLowPulseWidth, 139e-6},
          {prHighPulseLevel, 102 * Q},
          {prLowPulseLevel, -108 * Q}},
         1e-9},
        {"trapezoid with overshoot",
         waveforms::Repeat(trapezoid, 10000),
         10,
         {{prPeakPeak, 160 * Q},
          {prFrequency, 100},
          {prPeriod, 0.01},
          {prDutyFactor, 50},
          {prHighPulseWidth, 40 / 10000.0},
          {prLowPulseWidth, 40 / 10000.0},
          {prHighPulseLevel, 72 * Q},
          {prLowPulseLevel, -78 * Q},
          {prRiseTime, 9 / 10000.0},
          {prFallTime, 9 / 10000.0},
          {prHighOvershoot, 10 * 100 / 150.0},
          {prLowOvershoot, 0}},
         1e-9},
        {"sine, period 200",
         waveforms::Sine(200, 100, 128, 20000),
         10,
         {{prPeakPeak, 200 * Q},
          {prPeakPlus, 100 * Q},
          {prPeakMinus, -100 * Q},
          {prFrequency, 50},
          {prPeriod, 0.02},
          {prDCVoltage, 0},
          {prVrms, sineRms},
          {prVavg, 200 / std::numbers::pi * Q},
          {prCrestFactor, sineRms * 200 / (200 * Q)},
          {prDutyFactor, NA}, // the two histogram windows hold too few samples
          {prRiseTime, NA},
          {prHighPulseLevel, NA}},
         2e-3},
        {"constant",
         waveforms::Constant(160, 5000),
         10,
         {{prPeakPeak, 0},
          {prPeakPlus, 32 * Q},
          {prPeakMinus, 32 * Q},
          {prFrequency, NA},
          {prVrms, NA},
          {prFallTime, NA}},
         1e-12},
        {"span of three levels",
         waveforms::Square(100, 50, 100, 103, 5000),
         10,
         {{prPeakPeak, 3 * Q}, {prFrequency, NA}, {prDCVoltage, NA}},
         1e-12},
    };
    for (const auto &c : cases) {
        Calculation calc;
        calc.Host.SetChannel(0, c.Samples);
        calc.Host.SampleRate = c.Rate;
        calc.Run();
        for (const Expected &e : c.Rows) {
            const double got = calc.Row(e.Row);
            if (std::isnan(e.Value)) {
                EXPECT_TRUE(std::isnan(got)) << c.Name << ": row " << e.Row << " = " << got;
            } else {
                const double tolerance = std::max(std::fabs(e.Value) * c.Tolerance, 1e-12);
                EXPECT_NEAR(got, e.Value, c.Tolerance == 2e-3 && e.Value == 0 ? 1e-3 : tolerance)
                    << c.Name << ": row " << e.Row;
            }
        }
    }
}

// Channels without data, switched-off columns and an unusable window invalidate every row.
TEST(ParamCalculator, InvalidWindowsAndChannels) {
    const auto square = waveforms::Square(100, 50, 50, 200, 10000);
    {
        Calculation calc;
        calc.Host.SetChannel(0, square);
        calc.Host.SetChannel(1, square);
        calc.Run({true, false, false, false}); // B has no data flag yet
        EXPECT_FALSE(std::isnan(calc.Row(prPeakPeak, 0)));
        EXPECT_TRUE(std::isnan(calc.Row(prPeakPeak, 1)));
        calc.Stats.SetChannelVisible(0, false);
        calc.Run();
        EXPECT_TRUE(std::isnan(calc.Row(prPeakPeak, 0)));
        EXPECT_EQ(calc.Calculator.Finder(0), nullptr);
        EXPECT_NE(calc.Calculator.Finder(1), nullptr);
    }
    for (int32_t first : {10000, 20000}) { // end not above start
        Calculation calc;
        calc.Host.SetChannel(0, square);
        calc.Host.FirstSample = first;
        calc.Run();
        for (int32_t row = 0; row < ParamRowCount; ++row)
            EXPECT_TRUE(std::isnan(calc.Row(row))) << first << " row " << row;
    }
    {
        Calculation calc; // the host hands out no data address
        calc.Host.MemorySize = 10000;
        calc.Run();
        EXPECT_TRUE(std::isnan(calc.Row(prPeakPeak)));
    }
    for (double rate : {0.0, -5.0, NA}) { // times need a rate; levels do not
        Calculation calc;
        calc.Host.SetChannel(0, square);
        calc.Host.SampleRate = rate;
        calc.Run();
        for (int32_t row : {prFrequency, prRPM, prPeriod, prHighPulseWidth, prLowPulseWidth, prRiseTime})
            EXPECT_TRUE(std::isnan(calc.Row(row))) << rate << " row " << row;
        EXPECT_NEAR(calc.Row(prDutyFactor), 50, 1e-9) << rate;
        EXPECT_NEAR(calc.Row(prVavg), 75 * Q, 1e-9) << rate;
    }
}

// The window starts at the host's first sample and ends at the memory size, at most the largest window.
TEST(ParamCalculator, WindowBounds) {
    Calculation calc;
    auto x = waveforms::Square(100, 50, 50, 200, 140000);
    x[0] = 0;        // before the window
    x[131072] = 255; // beyond the largest window
    calc.Host.SetChannel(0, x);
    calc.Host.FirstSample = 1;
    calc.Run();
    EXPECT_NEAR(calc.Row(prPeakPeak), 150 * Q, 1e-12);
    EXPECT_EQ(calc.Calculator.Finder(0)->MaxPeriod, static_cast<int32_t>(std::nearbyint(131071 * 0.85)));
}

// Virtual channels take range, probe and ground from the channel their range source names.
TEST(ParamCalculator, VirtualChannelsUseTheirRangeSource) {
    Calculation calc;
    const auto square = waveforms::Square(100, 50, 50, 200, 10000);
    calc.Host.SetChannel(2, square);
    calc.Host.SetChannel(3, square);
    calc.Host.ProbeRange = {1000, 10000};
    calc.Host.Ground = {128, 50};
    calc.Stats.SetChannelVisible(2, true);
    calc.Stats.SetChannelVisible(3, true);
    calc.Calculator.SetRangeSource(2, 1);
    calc.Calculator.SetRangeSource(3, 0);
    calc.Run({false, false, true, true});
    EXPECT_NEAR(calc.Row(prPeakPlus, 2), 150 * 10000 / 32.0 / 1000, 1e-9); // B: ground 50, 10 V/div
    EXPECT_NEAR(calc.Row(prPeakPlus, 3), 72 * Q, 1e-9);                    // A
    calc.Run({false, false, true, false});
    EXPECT_TRUE(std::isnan(calc.Row(prPeakPlus, 3)));
}

// Every computation adds to the statistics; an invalid result restarts them.
TEST(ParamCalculator, RowsAccumulateStatistics) {
    Calculation calc;
    calc.Host.SetChannel(0, waveforms::Square(100, 50, 50, 200, 10000));
    calc.Run();
    calc.Host.SetChannel(0, waveforms::Square(100, 50, 50, 210, 10000));
    calc.Run();
    auto c = calc.Params.Param(prPeakPeak).Channel(0);
    EXPECT_EQ(c.Count, 2);
    EXPECT_NEAR(c.Mean, 155 * Q, 1e-12);
    EXPECT_NEAR(c.Dev, 5 * Q, 1e-9);
    calc.Host.SetChannel(0, waveforms::Constant(100, 10000));
    calc.Run();
    EXPECT_FALSE(calc.Params.Param(prFrequency).Channel(0).Valid);
    calc.Host.SetChannel(0, waveforms::Square(100, 50, 50, 200, 10000));
    calc.Run();
    EXPECT_EQ(calc.Params.Param(prFrequency).Channel(0).Count, 1);
    EXPECT_EQ(calc.Params.Param(prPeakPeak).Channel(0).Count, 4);
}

// The pulse analysis accepts one clean two-level period only.
TEST(AnalysePulse, RejectsWhatIsNotOneCleanPulse) {
    struct Case {
        const char *Name;
        std::vector<uint8_t> Period;
        bool Ok;
    };
    std::vector<uint8_t> bounce = waveforms::Square(100, 50, 50, 200, 100);
    bounce[20] = 200; // a second pulse within the low part
    bounce[70] = 50;  // and a dip within the high part
    const std::vector<Case> cases{
        {"ideal", waveforms::Square(100, 50, 50, 200, 100), true},
        {"two pulses", waveforms::Repeat({50, 50, 200, 200, 50, 50, 200, 200}, 8), false},
        {"glitches", bounce, false},
        {"flat", waveforms::Constant(100, 100), false},
    };
    for (const auto &c : cases) {
        TPulseAnalysis p;
        EXPECT_EQ(AnalysePulse(c.Period.data(), static_cast<int32_t>(c.Period.size()), p), c.Ok) << c.Name;
    }
}

} // namespace parmod
