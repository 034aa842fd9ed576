// The simulated instrument's trigger, decoded from the registers the driver writes.
#include "SimInstrument.h"
#include "SimSignal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace pellsim {
namespace {

class TriggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Sim.Reset();
        Sim.SetModel(0); // 4096 samples
        ASSERT_EQ(Sim.InitDevice(), 0);
        Sim.SetManualTime(true);
        Sim.SetTime(0);
        // Both inputs a 1 kHz sine of 0.5 V at 100 mV per division around level 127: 127 + 160 sin.
        Sim.SetSignal(0, TSignal{TShape::Sine, 1000, 0.5, 0});
        Sim.SetSignal(1, TSignal{TShape::Sine, 1000, 0.5, 0});
        Sim.Write(15, 0x2828);
        Sim.Write(8, 1836);
        Sim.Write(11, 1800);
        Sim.Write(9, 1982);
        Sim.Write(12, 1855);
        Sim.Write(14, 0x75D3); // 1024 samples after the trigger
        Sim.Write(7, 0x8000);  // no hold-off
        for (int reg : {3, 5, 6})
            Sim.Write(reg, 0x8000);
        Sim.Write(4, 0x7FFF); // count 1
    }
    // Arms on 10 us per division (200 ns samples): the trigger is taken from 3072 samples on (0.6144 ms).
    double ArmAndTriggerMs() {
        Sim.Write(1, 0xF003);
        return Sim.LastCapture().TriggerTime() / 1e6;
    }
    TSimInstrument Sim;
};

TEST_F(TriggerTest, SourcesEdgesLevelsCountsLengthsAndHoldOff) {
    struct TCase {
        const char *Name;
        std::vector<std::pair<int, int>> Writes;
        double TriggerMs;
    } cases[] = {
        {"A rising through the ground", {{2, 0x0001}, {10, 127}}, 1.0},
        {"A rising through 207 (sine 0.5)", {{2, 0x0001}, {10, 207}}, 1 + 1 / 12.0},
        {"A falling through 207", {{2, 0x0009}, {10, 207}}, 1 + 5 / 12.0},
        {"B rising through 207", {{2, 0x0002}, {13, 207}}, 1 + 1 / 12.0},
        {"Ext rising (square with A)", {{2, 0x0004}}, 1.0},
        {"Ext falling", {{2, 0x0024}}, 1.5},
        {"third event", {{2, 0x0001}, {10, 127}, {4, 0x8000 - 3}}, 3.0},
        {"neutral count: at once", {{2, 0x0001}, {10, 127}, {4, 0x8000}}, 0.6144},
        // Below 207 for 0.47 ms since the search began: 2000 samples (0.4 ms) qualify, 3000 do not.
        {"pulse of 2000 samples", {{2, 0x0001}, {10, 207}, {3, 0x8000 - 500}}, 1 + 1 / 12.0},
        {"pulse of 3000 samples", {{2, 0x0001}, {10, 207}, {3, 0x8000 - 750}}, 2 + 1 / 12.0},
        {"hold-off of 6000 samples", {{2, 0x0001}, {10, 207}, {7, 0x8000 - 1500}}, 2 + 1 / 12.0},
        {"secondary B falling after primary A",
         {{2, 0x1001 | 0x0080 | 0x0400}, {10, 127}, {13, 127}, {6, 0x7FFF}},
         1.5},
        {"A or B: the earlier event", {{2, 0x0003}, {10, 127}, {13, 207}}, 1.0},
        {"secondary with the neutral count", {{2, 0x1001 | 0x0080}, {10, 127}, {13, 127}}, 1.0},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        SetUp();
        for (const auto &[reg, value] : c.Writes)
            Sim.Write(reg, value);
        EXPECT_NEAR(ArmAndTriggerMs(), c.TriggerMs, 1e-6);
    }
}

TEST_F(TriggerTest, FastSourceBesideASlowOneIsNotMissed) {
    Sim.SetSignal(1, TSignal{TShape::Sine, 5e6, 0.5, 0});
    Sim.Write(2, 0x0003);
    Sim.Write(10, 127);
    Sim.Write(13, 207);
    // B rises through 207 a twelfth of its 200 ns period after each zero; 0.6144 ms is one of them.
    EXPECT_NEAR(ArmAndTriggerMs(), 0.6144 + 200.0 / 12 / 1e6, 1e-9);
}

TEST_F(TriggerTest, StatusWordFollowsTheCapture) {
    Sim.Write(2, 0x0001);
    Sim.Write(10, 127);
    Sim.Write(1, 0xF003);
    EXPECT_EQ(Sim.SingleRead(1), 0x8000); // waiting for the trigger
    Sim.AdvanceTime(1.0e6 + 1);
    const int32_t triggered = Sim.SingleRead(1);
    EXPECT_EQ(triggered & 0xF000, 0xC000);
    const int32_t phase = triggered & 0xFFF;
    EXPECT_GE(phase, 143);
    EXPECT_LT(phase, 250);
    EXPECT_EQ(Sim.SingleRead(14), 0);
    Sim.AdvanceTime(1024 * 200.0 + 200);
    EXPECT_EQ(Sim.SingleRead(1), 0x4000 | phase);
    EXPECT_EQ(Sim.SingleRead(14), 4096);
    // Sample len - P is the first after the trigger.
    const double first =
        Sim.LastCapture().SampleTime(4096 - 1024, Sim.Now()) - Sim.LastCapture().TriggerTime();
    EXPECT_NEAR(first, (phase - 143) / 107.0 * 200, 1e-9);
    Sim.Write(1, 0);
    EXPECT_EQ(Sim.SingleRead(1), 0);
}

TEST_F(TriggerTest, WithoutASourceTheRecordIsTakenUntriggered) {
    Sim.Write(2, 0xC000);
    // Every untriggered capture still reports the phase of its sample clock, within the window the
    // driver expects, so that equivalent-time records of untriggered captures spread over their slots.
    std::vector<int32_t> phases;
    for (int i = 0; i < 20; ++i) {
        Sim.Write(1, 0xF003);
        const int32_t filling = Sim.SingleRead(1);
        EXPECT_EQ(filling & 0xF000, 0xD000);
        const int32_t phase = filling & 0xFFF;
        EXPECT_GE(phase, 143);
        EXPECT_LT(phase, 250);
        Sim.AdvanceTime(4096 * 200.0);
        EXPECT_EQ(Sim.SingleRead(1), 0x5000 | phase);
        // The first sample is the first clock after the arming.
        const double first = Sim.LastCapture().SampleTime(0, Sim.Now()) - (Sim.Now() - 4096 * 200.0);
        EXPECT_NEAR(first, (phase - 143) / 107.0 * 200, 1e-6);
        phases.push_back(phase);
    }
    std::sort(phases.begin(), phases.end());
    EXPECT_GT(std::unique(phases.begin(), phases.end()) - phases.begin(), 10);

    Sim.SetTime(0);
    Sim.SetFixedPhase(143); // clock in step with the arming
    Sim.Write(1, 0xF003);
    Sim.AdvanceTime(4096 * 200.0);
    EXPECT_EQ(Sim.SingleRead(1), 0x5000 | 143);
    EXPECT_EQ(Sim.SingleRead(14), 4096);
    std::vector<uint8_t> fifo(2 * 4096);
    Sim.FifoRead(7, fifo.data(), static_cast<int32_t>(fifo.size()));
    // From the arming on: sample i at i x 200 ns, the sine starting at its zero.
    EXPECT_EQ(fifo[0], 127);
    EXPECT_EQ(fifo[2 * 125], 152);  // 127 + 160 sin(2 pi 0.025)
    EXPECT_EQ(fifo[2 * 1250], 255); // the crest, beyond the screen
    EXPECT_EQ(fifo[2 * 3750 + 1], 0);
}

// Every byte of a FIFO read is its sample's level through the front end, rounded and limited to the
// converter's 0..255: a sine that clips at both ends on A, a square wave (worked out point by point) on B,
// and a record length that leaves a part of a run.
TEST_F(TriggerTest, FifoBytesAreTheSampledLevels) {
    Sim.SetSignal(0, TSignal{TShape::Sine, 1000, 1.2, 0.1});
    Sim.SetSignal(1, TSignal{TShape::Square, 3000, 0.3, -0.05});
    Sim.Write(2, 0xC000); // no source: untriggered
    Sim.Write(1, 0xF003);
    Sim.AdvanceTime(4096 * 200.0);
    std::vector<uint8_t> fifo(2 * 4096 + 6, 0xAA);
    const int32_t count = 4093;
    Sim.FifoRead(7, fifo.data(), 2 * count);
    int32_t low = 0, high = 0, checked = 0;
    for (int32_t i = 0; i < count; ++i)
        for (int ch = 0; ch < 2; ++ch) {
            const double level = Sim.InputLevelAt(ch, Sim.LastCapture().SampleTime(i, Sim.Now()));
            if (std::fabs(level - std::floor(level) - 0.5) < 1e-6)
                continue; // a tie: the rotation's last digits decide
            const int expected = static_cast<int>(std::clamp(std::nearbyint(level), 0.0, 255.0));
            ASSERT_EQ(fifo[size_t(2 * i + ch)], expected) << "sample " << i << ", channel " << ch;
            low += expected == 0;
            high += expected == 255;
            ++checked;
        }
    EXPECT_GT(low, 0);
    EXPECT_GT(high, 0);
    EXPECT_GT(checked, 2 * count - 10);
    for (size_t i = 2 * count; i < fifo.size(); ++i)
        EXPECT_EQ(fifo[i], 0xAA) << i; // nothing beyond the bytes asked for
}

// Input B's 5 MHz sine sampled at a whole number of its periods: every sample of a record meets the sine
// at the same point of its cycle, so the record is a flat line. That point is where the free-running
// sample clock stood against the trigger, which differs from capture to capture: the flat line jumps.
TEST_F(TriggerTest, ASineSampledEveryWholePeriodIsAFlatLineThatFollowsTheClocksPhase) {
    Sim.SetSignal(1, TSignals{}.Inputs[1]);
    Sim.Write(2, 0x0001); // trigger on A rising through the ground
    Sim.Write(10, 127);
    const struct {
        const char *what;
        uint16_t word;
        bool flat;
    } timeBases[] = {
        {"20 us/div, 400 ns samples", 5, true},
        {"10 us/div, 200 ns samples", 3, true},
        {"1 us/div, 20 ns samples: the sine itself", 0, false},
    };
    for (const auto &tb : timeBases) {
        SCOPED_TRACE(tb.what);
        int lowest = 255, highest = 0;
        for (uint16_t phase = 143; phase < 250; phase += 13) {
            Sim.SetFixedPhase(phase);
            Sim.SetTime(0);
            Sim.Write(1, 0xF000 | tb.word);
            Sim.AdvanceTime(10e6);
            std::vector<uint8_t> fifo(2 * 4096);
            Sim.FifoRead(7, fifo.data(), static_cast<int32_t>(fifo.size()));
            int low = 255, high = 0;
            for (size_t i = 1; i < fifo.size(); i += 2) {
                low = std::min<int>(low, fifo[i]);
                high = std::max<int>(high, fifo[i]);
            }
            if (tb.flat) {
                EXPECT_LE(high - low, 1) << "phase " << phase;
                // The level of the sine at the first sample after the trigger, which the phase places.
                const double first = Sim.LastCapture().SampleTime(4096 - 1024, Sim.Now());
                EXPECT_NEAR(low, Sim.InputLevelAt(1, first), 1.0) << "phase " << phase;
            } else {
                EXPECT_GT(high - low, 120) << "phase " << phase;
            }
            lowest = std::min(lowest, low);
            highest = std::max(highest, high);
        }
        // From capture to capture the flat line lands anywhere within the sine's +-64 levels.
        EXPECT_GT(highest - lowest, 100);
    }
}

} // namespace
} // namespace pellsim

namespace pellsim {

namespace {

// The signal's own sine against the library's, over many points of a period and at its quarters.
TEST(SimSignal, SineFollowsTheLibrarySineToTheLastPlaces) {
    const TSignal sine{TShape::Sine, 1e9, 1.0, 0}; // one period per nanosecond
    double worst = 0;
    for (int i = 0; i <= 200000; ++i) {
        const double x = i / 200000.0 * 0.999999;
        worst = std::max(worst, std::fabs(sine.Volts(x, false) - std::sin(2 * M_PI * x)));
    }
    EXPECT_LT(worst, 4e-15); // the time-to-cycle conversion alone rounds by about 1e-15
    for (double x : {0.0, 0.25, 0.5, 0.75})
        EXPECT_NEAR(sine.Volts(x, false), std::sin(2 * M_PI * x), 1e-15) << x;
}

} // namespace

} // namespace pellsim

namespace pellsim {

namespace {

// A run of a sine by rotation stays on the sine sampled point by point, for slow and fast signals and
// for runs shorter and longer than the points rotated side by side.
TEST(SimSignal, SineRunFollowsTheSampledSine) {
    for (const double frequency : {1000.0, 5e6, 37e6})
        for (const int32_t n : {7, 9, 64, 256}) {
            SCOPED_TRACE(testing::Message() << frequency << " Hz, " << n << " points");
            const TSignal sine{TShape::Sine, frequency, 0.7, 0.1};
            std::vector<double> run(size_t(n) + 1, -99);
            const double first = 123456.789, step = 3.3;
            sine.SineRun(first, step, n, false, run.data());
            for (int i = 0; i < n; ++i)
                // The point-by-point phase itself rounds by about 1e-12 of a period at these times.
                EXPECT_NEAR(run[size_t(i)], sine.Volts(first + i * step, false), 1e-10) << i;
            EXPECT_EQ(run[size_t(n)], -99); // nothing beyond the run
            sine.SineRun(first, step, 1, true, run.data());
            EXPECT_NEAR(run[0], sine.Volts(first, true), 1e-15);
        }
}

} // namespace

} // namespace pellsim
