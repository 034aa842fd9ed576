// Captures through the simulated instrument: arming, polling, finishing and reading records.
#include "TestSupport.h"

#include "Lfsr.h"

#include <gmock/gmock.h>

#include <cmath>

namespace pellex::test {
namespace {

using ::testing::ElementsAre;

class CaptureTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        Sim().SetManualTime(1);
    }

    // A real-time set-up: 10 us per division (200 ns samples), A rising through level 128.
    void RealTime(int32_t type, int32_t afterTrigger) {
        ASSERT_EQ(Start(type), irOk);
        Call(dfSetRangeCenteredA, 100);
        Call(dfSetRangeCenteredB, 100);
        Call(dfSetTimeBase, 10000);
        Call(dfSetPrimarySourceA, 1);
        Call(dfSetPrimaryLeadingA, 1);
        Call(dfSetTriggerLevelA, 128);
        Call(dfSetPrimaryCount, 1);
        Call(dfSetAfterTrigger, afterTrigger);
        Call(dfSetTriggerModeNormal);
    }

    uint8_t Level(int channel, int32_t fifoIndex) {
        const double v = std::nearbyint(Sim().InputLevel(channel, Sim().SampleTime(fifoIndex)));
        return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
    }

    std::vector<uint16_t> Buffer = std::vector<uint16_t>(8192, 0xABCD);
    int32_t Count = 0;
};

TEST_F(CaptureTest, RealTimeRecordHoldsTheSimulatedSignal) {
    RealTime(0, 1024);
    ASSERT_EQ(Capture(Buffer, Count, 20000), 1);
    ASSERT_EQ(Count, 4096);
    for (int32_t i = 0; i < 4096; ++i) {
        ASSERT_EQ(Buffer[i] & 0xFF, Level(0, i)) << "sample " << i;
        ASSERT_EQ(Buffer[i] >> 8, Level(1, i)) << "sample " << i;
    }
    // The trigger lies just before sample len - P, on a rising A.
    const double first = Sim().SampleTime(4096 - 1024) - Sim().TriggerTime();
    EXPECT_GE(first, 0);
    EXPECT_LT(first, Sim().SampleInterval());
    EXPECT_LT(Buffer[100] & 0xFF, 255);
    EXPECT_EQ(Call(dfGetEtsFill), -1);
}

TEST_F(CaptureTest, PollStatusReportsArmedTriggeredComplete) {
    RealTime(0, 1024);
    uint8_t complete = 9;
    EXPECT_EQ(Call(dfPollStatus, 0, nullptr, &complete), 3 + 256 + 65536);
    EXPECT_EQ(complete, 0);
    // The part before the trigger fills first: 3072 samples of 200 ns; the 1 kHz sine rises through
    // the level at most 1 ms later, then 1024 samples follow.
    Sim().AdvanceTime(1.7e6);
    EXPECT_EQ(Call(dfPollStatus, 0, nullptr, &complete) & 0xFF, 2);
    EXPECT_EQ(complete, 0);
    Sim().AdvanceTime(0.3e6);
    EXPECT_EQ(Call(dfPollStatus, 0, nullptr, &complete) & 0xFF, 1);
    EXPECT_EQ(complete, 1);
}

TEST_F(CaptureTest, ArmAndFinishRegisterSequences) {
    RealTime(0, 1024);
    Sim().ClearRegisterLog();
    Call(dfPollStatus);
    // Arming on word 3 (10 us per division).
    EXPECT_THAT(Sim().Log(), ElementsAre(TWrite{1, 0, 0}, TWrite{1, 0x1003, 0}, TWrite{1, 0xF003, 1}));
    Sim().AdvanceTime(2e6);
    Call(dfPollStatus);
    Call(dfPollStatus);
    Sim().ClearRegisterLog();
    uint8_t read = 0;
    Call(dfReadRecord, 0, Buffer.data(), &read);
    EXPECT_EQ(read, 1);
    EXPECT_THAT(Sim().Log(), ElementsAre(TWrite{1, 0xE003, 1}, TWrite{1, 0xA000, 0}, TWrite{1, 0xE020, 0},
                                         TWrite{1, 0x6020, 1}));

    // A capture without a trigger source is taken untriggered: the forced finish.
    Call(dfSetPrimarySourceA, 0);
    Call(dfPollStatus);
    Sim().AdvanceTime(4096 * 200.0);
    Call(dfPollStatus);
    Call(dfPollStatus);
    Sim().ClearRegisterLog();
    Call(dfReadRecord, 0, Buffer.data(), &read);
    EXPECT_EQ(read, 1);
    EXPECT_THAT(Sim().Log(), ElementsAre(TWrite{1, 0xE003, 0}, TWrite{1, 0xE020, 0}, TWrite{1, 0x6020, 1}));
}

TEST_F(CaptureTest, ShortCountGoesToTheEndAndForcedRecordsCopyEverything) {
    RealTime(0, 1024);
    Sim().SetSampleCount(3000);
    ASSERT_EQ(Capture(Buffer, Count, 20000), 1);
    EXPECT_EQ(Count, 3000);
    for (int32_t i = 0; i < 1096; ++i)
        ASSERT_EQ(Buffer[i], 0xABCD) << "word " << i;
    for (int32_t i = 0; i < 3000; ++i)
        ASSERT_EQ(Buffer[1096 + i] & 0xFF, Level(0, i)) << "sample " << i;

    // Untriggered (no source): the whole record whatever the count.
    Call(dfSetPrimarySourceA, 0);
    std::fill(Buffer.begin(), Buffer.end(), 0xABCD);
    ASSERT_EQ(Capture(Buffer, Count, 20000), 1);
    EXPECT_EQ(Count, 4096);
    EXPECT_NE(Buffer[0], 0xABCD);
    EXPECT_NE(Buffer[1095], 0xABCD);
}

TEST_F(CaptureTest, CountBeyondTheRecordIsLimitedToIt) {
    RealTime(0, 1024);
    Sim().SetSampleCount(0xFFFF);
    std::vector<uint16_t> guarded(4096 + 64, 0xABCD);
    ASSERT_EQ(Capture(guarded, Count, 20000), 1);
    EXPECT_EQ(Count, 4096);
    EXPECT_EQ(guarded[4096], 0xABCD);
    for (int32_t i = 0; i < 4096; ++i)
        ASSERT_EQ(guarded[i] & 0xFF, Level(0, i)) << "sample " << i;
}

TEST_F(CaptureTest, GroundedChannelsReadTheirGroundPositionLimitedToTheScreen) {
    RealTime(0, 1024);
    Call(dfSetPrimarySourceA, 0); // untriggered: the grounds move the inputs off the screen
    Call(dfSetGroundA, 1);
    Call(dfSetGroundB, 1);
    // A DAC far above the top point lies beyond level 255, one far below under 0.
    ASSERT_GT(Call(dfSetShiftA, 4000), 255);
    ASSERT_LT(Call(dfSetShiftB, 100), 0);
    ASSERT_EQ(Capture(Buffer, Count, 20000), 1);
    for (int32_t i = 0; i < 4096; ++i)
        ASSERT_EQ(Buffer[i], 0x00FF) << "sample " << i;
    ASSERT_EQ(Call(dfSetShiftA, Call(dfPositionToShiftA, 77)), 77);
    ASSERT_EQ(Capture(Buffer, Count, 20000), 1);
    EXPECT_EQ(Buffer[5] & 0xFF, 77);
}

TEST_F(CaptureTest, AveragingFollowsAStepTowardsItsValue) {
    struct TCase {
        int Channel;
        int32_t Factor;
        std::vector<int> Levels;
    } cases[] = {
        {0, 4, {0, 25, 44, 58, 68}},
        {1, 4, {0, 25, 44, 58, 68}},
        // A count of zero or below averages nothing away.
        {0, 0, {0, 100, 100}},
        {1, -3, {0, 100, 100}},
        {0, 1, {0, 100, 100}},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE("channel " + std::to_string(c.Channel) + ", factor " + std::to_string(c.Factor));
        RealTime(0, 1024);
        const bool b = c.Channel == 1;
        Call(b ? dfSetGroundB : dfSetGroundA, 1);
        int32_t factor = c.Factor;
        Driver->Function(b ? dfSetFilterB : dfSetFilterA, nullptr, 1, &factor);
        auto level = [&](uint16_t word) { return b ? word >> 8 : word & 0xFF; };
        for (size_t k = 0; k < c.Levels.size(); ++k) {
            const int32_t position = k == 0 ? 0 : 100;
            const int32_t dac = Call(b ? dfPositionToShiftB : dfPositionToShiftA, position);
            ASSERT_EQ(Call(b ? dfSetShiftB : dfSetShiftA, dac), position);
            ASSERT_EQ(Capture(Buffer, Count, 20000), 1);
            EXPECT_EQ(level(Buffer[2000]), c.Levels[k]) << "record " << k;
            EXPECT_EQ(level(Buffer[0]), c.Levels[k]) << "record " << k;
        }
    }
}

TEST_F(CaptureTest, LinkBrokenAfterTheFifoReadGivesNoRecord) {
    RealTime(0, 1024);
    Sim().AdvanceTime(0);
    Call(dfPollStatus);
    Sim().AdvanceTime(2e6);
    Call(dfPollStatus);
    Call(dfPollStatus);
    // Finish: write, count read, write; then the FIFO read breaks.
    Sim().BreakLinkAfter(4);
    uint8_t read = 9;
    EXPECT_EQ(Call(dfReadRecord, 0, Buffer.data(), &read), 0);
    EXPECT_EQ(read, 0);
    EXPECT_EQ(LinkByte, 1);
    EXPECT_EQ(Buffer[100], 0xABCD);
    // The state is idle: once the link is back, the next poll arms a new capture.
    Sim().SetLinkUp(1);
    Sim().ClearRegisterLog();
    Call(dfPollStatus);
    EXPECT_EQ(LinkByte, 0);
    EXPECT_THAT(Sim().Log(), ElementsAre(TWrite{1, 0, 0}, TWrite{1, 0x1003, 0}, TWrite{1, 0xF003, 1}));
}

TEST_F(CaptureTest, NoRecordWhileTheCaptureIsNotComplete) {
    RealTime(0, 1024);
    Call(dfPollStatus);
    uint8_t read = 9;
    EXPECT_EQ(Call(dfReadRecord, 0, Buffer.data(), &read), 0);
    EXPECT_EQ(read, 0);
    EXPECT_EQ(Buffer[10], 0xABCD);
}

// Automatic trigger: a level the signal never reaches, so only the time-outs take records.
class AutoTriggerTest : public CaptureTest {
protected:
    void Auto(int32_t type, int32_t v, int32_t afterTrigger) {
        ASSERT_EQ(Start(type), irOk);
        Call(dfSetRangeCenteredA, 100);
        Call(dfSetTimeBase, v);
        Call(dfSetPrimarySourceA, 1);
        Call(dfSetTriggerLevelA, 250);
        Call(dfSetPrimaryCount, 1);
        Call(dfSetAfterTrigger, afterTrigger);
        Call(dfSetTriggerModeAuto);
    }
    bool Forced(int32_t len) {
        const std::vector<TWrite> log = Sim().Log();
        return std::find(log.begin(), log.end(), TWrite{14, LfsrCount(len), 1}) != log.end();
    }
};

TEST_F(AutoTriggerTest, TimeOutsOfTheLongAndShortStages) {
    struct TCase {
        const char *Name;
        int32_t Type, V, P;
        uint32_t QuietMs, ForceMs; // last tick without forcing, first with
    } cases[] = {
        // A = 8192 / 50 x 100 ms = 16.384 s, above 2 s: the time-out is A itself.
        {"100 ms per division", 1, 100000000, 1024, 16384, 16385},
        // A = 81920 ns, B = 20480 ns: Min(Max(10 A, 10 B), 2 s) = 0.8192 ms.
        {"1 us per division", 0, 1000, 1024, 0, 1},
        // 10 A = 40.96 ms.
        {"50 us per division", 0, 50000, 1024, 40, 41},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        Auto(c.Type, c.V, c.P);
        const int32_t len = c.Type == 1 ? 8192 : 4096;
        Call(dfPollStatus); // arms, starts the time-out
        const uint32_t t0 = Ticks.Now;
        Sim().ClearRegisterLog();
        Ticks.Now = t0 + c.QuietMs;
        EXPECT_EQ(Call(dfPollStatus) & 0xFF, 3);
        EXPECT_FALSE(Forced(len));
        Ticks.Now = t0 + c.ForceMs;
        Call(dfPollStatus);
        EXPECT_TRUE(Forced(len));
        const std::vector<TWrite> log = Sim().Log();
        ASSERT_GE(log.size(), 5u);
        EXPECT_THAT(std::vector<TWrite>(log.end() - 5, log.end()),
                    ElementsAre(TWrite{4, 0x8000, 0}, TWrite{6, 0x8000, 0}, TWrite{3, 0x8000, 0},
                                TWrite{5, 0x8000, 0}, TWrite{14, LfsrCount(len), 1}));
    }
}

TEST_F(AutoTriggerTest, ForcedRecordIsReadAndTheShortStageFollows) {
    Auto(0, 1000, 1024);
    Call(dfPollStatus);
    Ticks.Now += 1;
    Call(dfPollStatus); // forces: neutral words, a full count after the trigger
    ASSERT_EQ(Capture(Buffer, Count, 10000), 1);
    EXPECT_EQ(Count, 4096);
    // The read-out brings the user's trigger words back.
    const std::vector<TWrite> log = Sim().Log();
    ASSERT_GE(log.size(), 5u);
    EXPECT_THAT(std::vector<TWrite>(log.end() - 5, log.end()),
                ElementsAre(TWrite{4, 0x7FFF, 0}, TWrite{6, 0x8000, 0}, TWrite{3, 0x8000, 0},
                            TWrite{5, 0x8000, 0}, TWrite{14, 0x75D3, 1}));
    // Short stage: Max(2 ms, A, B) = 2 ms.
    Call(dfPollStatus);
    const uint32_t t0 = Ticks.Now;
    Sim().ClearRegisterLog();
    Ticks.Now = t0 + 2;
    Call(dfPollStatus);
    EXPECT_FALSE(Forced(4096));
    Ticks.Now = t0 + 3;
    Call(dfPollStatus);
    EXPECT_TRUE(Forced(4096));
}

TEST_F(AutoTriggerTest, ForcedEquivalentTimeCaptureDrawsItsPhaseInTheWindow) {
    Random.Script = {37};
    Auto(0, 10, 1024);
    Call(dfPollStatus);
    Ticks.Now += 1; // beyond Min(Max(10 A, 10 B), 2 s) = 8192 ns
    Call(dfPollStatus);
    ASSERT_TRUE(Forced(4096));
    Sim().SetPhase(222); // what the instrument reports does not count for a forced capture
    ASSERT_EQ(Capture(Buffer, Count, 10), 1);
    EXPECT_EQ(Call(dfGetEtsPhase), 143 + 37);
    EXPECT_EQ(Random.Index, 1u);
}

// A trigger within the short time-out returns to the long stage: the next capture without a trigger
// waits the long time-out (10 A = 40.96 ms at 50 us per division) instead of Max(2 ms, A) = 4.096 ms.
TEST_F(AutoTriggerTest, TriggerInTheShortStageReturnsToTheLongOne) {
    Auto(0, 50000, 1024);
    Call(dfPollStatus);
    Ticks.Now += 41;
    Call(dfPollStatus); // the long time-out forces
    ASSERT_TRUE(Forced(4096));
    ASSERT_EQ(Capture(Buffer, Count, 10000), 1); // forced record: the short stage follows
    auto untriggeredPolls = [&](uint32_t quietMs, uint32_t forceMs) {
        Call(dfSetTriggerLevelA, 250); // out of reach again
        Call(dfPollStatus);
        const uint32_t t0 = Ticks.Now;
        Sim().ClearRegisterLog();
        Ticks.Now = t0 + quietMs;
        Call(dfPollStatus);
        EXPECT_FALSE(Forced(4096)) << quietMs << " ms";
        Ticks.Now = t0 + forceMs;
        Call(dfPollStatus);
        EXPECT_TRUE(Forced(4096)) << forceMs << " ms";
    };
    // Still short: no trigger forces after 4.096 ms.
    untriggeredPolls(4, 5);
    ASSERT_EQ(Capture(Buffer, Count, 10000), 1);
    // A trigger at once (level in reach) while short: long again.
    Call(dfSetTriggerLevelA, 128);
    ASSERT_EQ(Capture(Buffer, Count, 10000), 1);
    untriggeredPolls(40, 41);
}

// Setting the time base in automatic mode writes the user's trigger words and preload and returns to
// the long stage.
TEST_F(AutoTriggerTest, TimeBaseReturnsToTheLongStage) {
    Auto(0, 50000, 1024);
    Call(dfPollStatus);
    Ticks.Now += 41;
    Call(dfPollStatus);
    ASSERT_TRUE(Forced(4096));
    ASSERT_EQ(Capture(Buffer, Count, 10000), 1); // the short stage follows
    Sim().ClearRegisterLog();
    ASSERT_EQ(Call(dfSetTimeBase, 50000), 2);
    EXPECT_THAT(Sim().Log(),
                ElementsAre(TWrite{1, 0, 1}, TWrite{1, 6, 1}, TWrite{4, 0x7FFF, 0}, TWrite{6, 0x8000, 0},
                            TWrite{3, 0x8000, 0}, TWrite{5, 0x8000, 0}, TWrite{14, 0x75D3, 1}));
    Call(dfPollStatus);
    const uint32_t t0 = Ticks.Now;
    Sim().ClearRegisterLog();
    Ticks.Now = t0 + 40; // beyond the short time-out of 4.096 ms
    Call(dfPollStatus);
    EXPECT_FALSE(Forced(4096));
    Ticks.Now = t0 + 41;
    Call(dfPollStatus);
    EXPECT_TRUE(Forced(4096));
}

// Equivalent time: 10 ns per division on a 4096-sample model (f = 100), triggered on B's 5 MHz sine.
class EquivalentTimeTest : public CaptureTest {
protected:
    void Ets(bool gapInterpolation) {
        ASSERT_EQ(Start(0), irOk);
        Call(dfSetRangeCenteredA, 100);
        Call(dfSetRangeCenteredB, 100);
        ASSERT_EQ(Call(dfSetTimeBase, 10), 3);
        Call(dfSetPrimarySourceB, 1);
        Call(dfSetPrimaryLeadingB, 1);
        Call(dfSetTriggerLevelB, 127);
        Call(dfSetPrimaryCount, 1);
        Call(dfSetAfterTrigger, 1024);
        Call(dfSetTriggerModeNormal);
        Call(dfSetGapInterpolation, gapInterpolation ? 1 : 0);
    }
};

TEST_F(EquivalentTimeTest, RecordFillsOverCapturesAndMatchesTheSignal) {
    Ets(true);
    // A in step with the trigger on B, so that its record builds up too.
    Sim().SetSignal(0, ssTriangle, 5e6, 0.15, 0);
    int captures = 0;
    int32_t fill = 0;
    std::vector<int32_t> fills;
    while (fill < 100 && captures < 3000) {
        if (Capture(Buffer, Count, 20) == 1)
            fills.push_back(Call(dfGetEtsFill));
        fill = Call(dfGetEtsFill);
        ++captures;
    }
    ASSERT_EQ(fill, 100) << "after " << captures << " captures";
    EXPECT_GT(captures, 50); // one capture fills one slot in a hundred
    EXPECT_TRUE(std::is_sorted(fills.begin(), fills.end()));
    EXPECT_EQ(Count, 1024); // P + H, no hold-off set
    EXPECT_EQ(Call(dfPollStatus) >> 8, 3 + 256 * 3);
    // Slot k lies (k - (len - P)) x 0.2 ns from the trigger.
    const double trigger = Sim().TriggerTime();
    int worst = 0;
    for (int k = 4; k < 4092; ++k) {
        for (int ch = 0; ch < 2; ++ch) {
            const double expected = std::clamp(Sim().InputLevel(ch, trigger + (k - 3072) * 0.2), 0.0, 255.0);
            const int got = ch == 0 ? Buffer[k] & 0xFF : Buffer[k] >> 8;
            worst = std::max(worst, static_cast<int>(std::ceil(std::abs(got - expected))));
        }
    }
    EXPECT_LE(worst, 2);
    EXPECT_EQ(Call(dfGetPhaseMin), 143);
    EXPECT_LE(Call(dfGetPhaseMax), 250);
}

TEST_F(EquivalentTimeTest, FillClassesOverTheLastHundredSlots) {
    Ets(false);
    // Each phase of the start window places at its own shift; a new shift marks one more slot of
    // the last f = 100 (slots 3996..4095).
    std::vector<int> shifts;
    auto status = [&] { return Call(dfPollStatus); };
    for (int phase = 143; phase <= 250 && shifts.size() < 100; ++phase) {
        const int shift = static_cast<int>(std::floor((phase - 143) * 0.9999 * 100 / 107));
        if (!shifts.empty() && shifts.back() == shift)
            continue;
        shifts.push_back(shift);
        Sim().SetPhase(phase);
        Call(dfArm); // the poll below armed the next capture with the previous phase
        ASSERT_EQ(Capture(Buffer, Count, 20), 1);
        const int32_t marked = static_cast<int32_t>(shifts.size());
        ASSERT_EQ(Call(dfGetEtsFill), marked) << "phase " << phase;
        const int32_t expectedClass = marked > 99 ? 3 : marked > 50 ? 2 : 1;
        ASSERT_EQ(status() >> 8, expectedClass * 257) << "marked " << marked;
    }
    EXPECT_EQ(shifts.size(), 100u);
}

TEST_F(EquivalentTimeTest, PhasesOutsideTheWindowAndTheHistogram) {
    Ets(false);
    // A phase beyond the window widens it and discards the record.
    Sim().SetPhase(260);
    EXPECT_EQ(Capture(Buffer, Count, 20), 0);
    EXPECT_EQ(Call(dfGetPhaseMax), 260);
    EXPECT_EQ(Call(dfGetEtsPhase), 260);
    // A phase the histogram cannot hold is ignored, and its record still placed within the slots.
    Sim().SetPhase(900);
    EXPECT_EQ(Capture(Buffer, Count, 20), 1);
    EXPECT_EQ(Call(dfGetPhaseMax), 260);
    EXPECT_GT(Call(dfGetEtsFill), 0);
}

TEST_F(EquivalentTimeTest, AnEmptyPhaseWindowPlacesWithoutShift) {
    Ets(false);
    ASSERT_EQ(Call(dfSetTimeBase, 50), 3); // f = 20, no smoothing
    Call(dfSetAfterTrigger, 1024);         // P' follows the new factor
    Sim().SetPhase(200);
    // In the start window 143..250, phase 200 places at shift Floor(57 x 0.9999 x 20 / 107) = 10:
    // slots (3072 + 10) mod 20 = 2, 22, ...
    for (int i = 0; i < 1024; ++i)
        ASSERT_EQ(Capture(Buffer, Count, 20), 1);
    EXPECT_NE(Buffer[2], 0);
    EXPECT_EQ(Buffer[12], 0);
    // The 1025th phase removes the start counts: the window is the one phase seen, width 0.
    ASSERT_EQ(Capture(Buffer, Count, 20), 1);
    ASSERT_EQ(Call(dfGetPhaseMin), 200);
    ASSERT_EQ(Call(dfGetPhaseMax), 200);
    // Shift 0: slots 3072 mod 20 = 12 and every twentieth from there.
    EXPECT_NE(Buffer[12], 0);
    EXPECT_NE(Buffer[4092], 0);
    EXPECT_EQ(Buffer[13], 0);
    EXPECT_EQ(Call(dfGetEtsFill), 10);
}

// A capture that disagrees with what its first slot already holds clears that channel's record. The
// mean difference is taken over the source index at which the pairs stop (here the whole record),
// not over the pairs.
TEST_F(EquivalentTimeTest, ConsistencyCheckClearsADisagreeingChannel) {
    struct TCase {
        const char *Name;
        bool Check;
        int32_t Threshold;
        bool Cleared;
    } cases[] = {
        // 205 pairs 32 levels apart: 6560 / 4096 = 1.6, while 6560 / 205 would be 32.
        {"below the threshold", true, 12, false},
        {"above the threshold", true, 1, true},
        {"check off", false, 0, false},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        Ets(false);
        ASSERT_EQ(Call(dfSetTimeBase, 50), 3); // f = 20, no smoothing
        Call(dfSetAfterTrigger, 1024);
        Call(dfSetEtsCheck, c.Check ? 1 : 0);
        Call(dfSetWCDSensitivity, c.Threshold);
        // A at a steady level, 0.1 V (32 levels) apart between the first captures and the last.
        Sim().SetSignal(0, ssSine, 5e6, 0, 0.05);
        auto capture = [&](int32_t phase) {
            Sim().SetPhase(phase);
            Call(dfArm);
            return Capture(Buffer, Count, 20);
        };
        ASSERT_EQ(capture(143), 1); // shift 0: slots 12, 32, ...
        ASSERT_EQ(capture(200), 1); // shift 10: slots 2, 22, ...
        const int held = Buffer[22] & 0xFF;
        ASSERT_GT(held, 0);
        Sim().SetSignal(0, ssSine, 5e6, 0, 0.15);
        ASSERT_EQ(capture(143), 1);
        EXPECT_NEAR(Buffer[12] & 0xFF, held + 32, 1);
        EXPECT_EQ(Buffer[22] & 0xFF, c.Cleared ? 0 : held);
        EXPECT_NE(Buffer[22] >> 8, 0); // B agreed with itself and is kept
    }
}

// Resetting equivalent time brings the phase window back to its start and empties the record.
TEST_F(EquivalentTimeTest, ResetRestoresTheStartWindowAndEmptiesTheRecord) {
    Ets(false);
    ASSERT_EQ(Call(dfSetTimeBase, 50), 3); // f = 20, no smoothing
    Call(dfSetAfterTrigger, 1024);
    auto capture = [&](int32_t phase) {
        Sim().SetPhase(phase);
        Call(dfArm);
        return Capture(Buffer, Count, 20);
    };
    ASSERT_EQ(capture(143), 1); // slots 12, 32, ...
    ASSERT_NE(Buffer[12], 0);
    ASSERT_EQ(capture(260), 0); // widens the window
    ASSERT_EQ(Call(dfGetPhaseMax), 260);
    Call(dfResetEts);
    EXPECT_EQ(Call(dfGetPhaseMin), 143);
    EXPECT_EQ(Call(dfGetPhaseMax), 250);
    ASSERT_EQ(capture(200), 1); // shift 10 in the start window: slots 2, 22, ...
    EXPECT_NE(Buffer[22], 0);
    EXPECT_EQ(Buffer[12], 0);
    EXPECT_EQ(Call(dfGetEtsFill), 5);
}

} // namespace
} // namespace pellex::test
