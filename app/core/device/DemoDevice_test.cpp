#include "device/DemoDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace scope {

namespace {

constexpr double Pi = std::numbers::pi;

// Answers the same value to every draw (limited to the range), so that random offsets are known.
class TFixedRandom : public platform::IRandom {
public:
    int32_t Value = 0;
    int32_t Next(int32_t range) override { return range <= 1 ? 0 : std::min(Value, range - 1); }
    double NextDouble() override { return 0; }
};

// Time-base rows used below.
constexpr int32_t Rate500 = 0, Rate10k = 4, Rate250k = 8, Rate1M = 10, Rate2500k = 11, Rate10G = 22;
constexpr int32_t Range1V = 6;

struct TDemo {
    platform::TManualClock Clock;
    TFixedRandom Fixed;
    platform::TMersenneRandom Mersenne{12345};
    TDAO_DEMO Device;
    TAcquiredData Data;

    explicit TDemo(bool noise = false)
        : Device(Clock, Clock, noise ? static_cast<platform::IRandom &>(Mersenne) : Fixed), Data(4) {
        Device.LoadDriver();
        Device.OpenDevice(-1);
        for (int32_t ch = 0; ch < 2; ++ch) {
            Device.SetRange(ch, Range1V);      // gain 112
            Device.SetVerticalShift(ch, 2048); // offset 128
        }
        SetMemory(1024);
    }
    void SetMemory(int32_t size) {
        for (auto &w : Data)
            w.Data.assign(static_cast<size_t>(size), 0);
        Device.SetMemorySize(size);
    }
    void Trigger(int32_t source, int32_t level, bool leading) {
        Device.SetTriggerSource(0, source, true);
        Device.SetTriggerLevel(source, level);
        Device.SetTriggerLeading(0, source, leading);
    }
    // Polls until a record is read; the clock time at which it was, or -1 when none came in time.
    int64_t RunUntilRecord(uint32_t limitMs) {
        while (Clock.Now < limitMs)
            if (Device.ReadAcquisition(Data) == asRecordRead)
                return Clock.Now;
        return -1;
    }
};

TEST(DemoDevice, Capabilities) {
    TDemo d;
    TCapabilities c;
    c.TriggerLatency = 7; // not the demonstration device's to set
    d.Device.GetCapabilities(c);
    EXPECT_EQ(c.PointsOnScreen, 500);
    EXPECT_EQ(c.PointsPerDiv, 50);
    EXPECT_EQ(c.LevelCount, 256);
    EXPECT_EQ(c.LevelsPerDiv, 32);
    EXPECT_EQ(c.ChannelCount, 8);
    EXPECT_EQ(c.PhysicalChannelCount, 2);
    EXPECT_EQ(c.VirtualChannelCount, 2);
    EXPECT_EQ(c.TriggerSourceCount, 3);
    EXPECT_EQ(c.MemorySizes, (TMemorySizeList{1024, 2048, 4096, 8192, 16384, 32768, 65536, 131072, 262144,
                                              524288, 1048576}));
    const double rates[] = {500, 1000, 2500,  5000, 1e4, 2.5e4, 5e4, 1e5, 2.5e5, 5e5, 1e6, 2.5e6,
                            5e6, 1e7,  2.5e7, 5e7,  1e8, 2.5e8, 5e8, 1e9, 2.5e9, 5e9, 1e10};
    ASSERT_EQ(c.TimeBases.size(), 23u);
    for (int32_t row = 0; row < 23; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(c.TimeBases[row].SampleRate, rates[row]);
        EXPECT_EQ(c.TimeBases[row].RealSampleRate, row < 16 ? rates[row] : 1e8);
        EXPECT_EQ(c.TimeBases[row].EquivalentTime, row >= 16 ? 1 : 0);
        EXPECT_EQ(c.TimeBases[row].DeviceValue, row);
    }
    const double volts[] = {0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5};
    ASSERT_EQ(c.Ranges.size(), 9u);
    for (int32_t row = 0; row < 9; ++row) {
        EXPECT_EQ(c.Ranges[row].VoltsPerDiv, volts[row]);
        EXPECT_EQ(c.Ranges[row].DeviceValue, row);
    }
    EXPECT_EQ(c.ShiftMax, 4095);
    EXPECT_EQ(c.ShiftMin, 0);
    EXPECT_EQ(c.AfterTriggerMin, 1);
    EXPECT_EQ(c.AfterTriggerMax, 1048576);
    EXPECT_EQ(c.HoldOffMin, 0);
    EXPECT_EQ(c.HoldOffMax, 1048576);
    EXPECT_EQ(c.HoldOffStep, 4);
    EXPECT_EQ(c.CountMin, 1);
    EXPECT_EQ(c.CountMax, 32767);
    EXPECT_EQ(c.LengthMin, 0);
    EXPECT_EQ(c.LengthMax, 131068);
    EXPECT_EQ(c.LengthStep, 4);
    EXPECT_EQ(c.TriggerLatency, 7);

    // A second query replaces the lists instead of appending to them.
    d.Device.GetCapabilities(c);
    EXPECT_EQ(c.TimeBases.size(), 23u);
    EXPECT_EQ(c.MemorySizes.size(), 11u);
}

TEST(DemoDevice, FixedAnswers) {
    TDemo d;
    TDeviceList list;
    EXPECT_FALSE(d.Device.EnumerateDevices(list));
    EXPECT_EQ(d.Device.GetDeviceName(), "Tarne4 oscilloscope <DEMO>");
    EXPECT_EQ(d.Device.OpenDevice(3), drOk);
    EXPECT_TRUE(d.Device.IsCommunicationOK());
    EXPECT_EQ(d.Device.GetSerialNumber(), 0);
    std::array<uint8_t, 2> version{9, 9};
    d.Device.QueryDriverVersion(version);
    EXPECT_EQ(version, (std::array<uint8_t, 2>{0, 0}));
    d.Device.SetTimeBase(Rate10G);
    int32_t a = 0, b = 0;
    d.Device.GetSamplingProgress(a, b);
    EXPECT_EQ(a, 100);
    EXPECT_EQ(b, 100);
}

TEST(DemoDevice, GainOffsetAndShift) {
    struct TCase {
        int32_t Range, Shift;
        double Gain, Offset;
    } cases[] = {
        {0, 2048, 11200, 128},
        {6, 0, 112, -222},
        {8, 4095, 22.4, 128 + 350.0 * 2047 / 2048}, // 477.83
        {3, 1024, 1120, -47},
        {4, 3000, 560, 128 + 350.0 * 952 / 2048},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Shift);
        TDemo d;
        d.Device.SetVerticalShift(1, c.Shift);
        // The device keeps the shift on a range change and says so.
        EXPECT_EQ(d.Device.SetRange(1, c.Range), c.Shift);
        EXPECT_DOUBLE_EQ(d.Device.Gain(1), c.Gain);
        EXPECT_DOUBLE_EQ(d.Device.GetGroundPosition(1), c.Offset);
        EXPECT_DOUBLE_EQ(d.Device.GetGroundPosition(0), 128); // the other channel is untouched
    }
    TDemo d;
    d.Device.SetVerticalShift(0, 4095);
    EXPECT_NEAR(d.Device.GetGroundPosition(0), 477.83, 0.005);

    struct TPosition {
        int32_t Position, Shift;
    } positions[] = {{128, 2048}, {0, 1299}, {255, 2791}, {478, 4096}, {-222, 0}, {200, 2469}};
    for (const auto &p : positions)
        EXPECT_EQ(d.Device.PositionToShift(0, p.Position), p.Shift) << p.Position;
}

TEST(DemoDevice, TriggerPhase) {
    struct TCase {
        int32_t LevelA; // -1: A is no trigger source
        bool LeadingA;
        int32_t LevelB;
        bool LeadingB;
        double Phase;
    } cases[] = {
        {128, true, -1, false, 0},
        {128, false, -1, false, Pi},
        {184, true, -1, false, Pi / 6},
        {184, false, -1, false, 5 * Pi / 6},
        {72, true, -1, false, 11 * Pi / 6},
        {72, false, -1, false, 7 * Pi / 6},
        {-1, false, 184, true, Pi / 6},
        // Either source triggers: A high over (pi/6, 5pi/6), B high over (0, 7pi/6) and (11pi/6, 2pi).
        {184, true, 72, true, 11 * Pi / 6},
        // Unreachable levels, above and below the sine, and the peak that is touched but never crossed.
        {250, true, -1, false, -1},
        {250, false, -1, false, -1},
        {10, true, -1, false, -1},
        {10, false, -1, false, -1},
        {240, true, -1, false, -1},
        {-1, false, -1, false, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.LevelA << " " << c.LevelB);
        TDemo d;
        if (c.LevelA >= 0)
            d.Trigger(0, c.LevelA, c.LeadingA);
        if (c.LevelB >= 0)
            d.Trigger(1, c.LevelB, c.LeadingB);
        EXPECT_NEAR(d.Device.FindTriggerPhase(), c.Phase, 1e-12);
    }

    // The secondary trigger and the external source do not exist here.
    TDemo d;
    d.Device.SetTriggerSource(1, 0, true);
    d.Device.SetTriggerSource(0, 2, true);
    d.Device.SetTriggerLevel(0, 128);
    EXPECT_EQ(d.Device.FindTriggerPhase(), -1);
    // Gain and offset move the edge: at 2 V/div (gain 56) and offset 99.97, level 128 lies at u = 0.5005.
    d.Trigger(0, 128, true);
    d.Device.SetRange(0, 7);
    d.Device.SetVerticalShift(0, 1884); // offset 128 + 350 * (-164) / 2048 = 99.97
    EXPECT_NEAR(d.Device.FindTriggerPhase(), std::asin((128 - (128 + 350.0 * -164 / 2048)) / 56), 1e-12);
}

TEST(DemoDevice, RecordLengthsAndValidRange) {
    struct TCase {
        int32_t TimeBase, RandomValue, Memory, HoldOff, After, DataLength;
        int32_t Generated, First, Last;
    } cases[] = {
        {Rate10k, 99, 1024, 0, 1024, 1024, 1024, 0, 1023},
        {Rate10k, 99, 1024, 100, 500, 1024, 600, 424, 1023},
        {Rate10k, 99, 1024, 2000, 1024, 1024, 2048, 0, 1023}, // pre-trigger part limited to memory size
        {Rate10k, 99, 1024, 0, 0, 1024, 0, 0, -1},
        {Rate1M, 37, 1024, 0, 100, 1024, 137, 887, 1023}, // random start within one period (100 samples)
        {Rate1M, 37, 20, 0, 100, 20, 120, 0, 19},
        {Rate1M, 37, 1024, 8, 100, 1024, 145, 879, 1023},
        {Rate500, 99, 1024, 0, 300, 1024, 300, 724, 1023}, // at 500 S/s the random start is always 0
        {Rate10G, 99, 1048576, 1048576, 1048576, 1048576, 2097152, 0, 1048575}, // the ring wraps
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.Memory << " " << c.HoldOff << " " << c.After);
        TDemo d;
        d.Fixed.Value = c.RandomValue;
        d.Device.SetTimeBase(c.TimeBase);
        d.SetMemory(c.Memory);
        for (auto &w : d.Data)
            w.Data.assign(static_cast<size_t>(c.DataLength), 0);
        d.Device.SetHoldOff(c.HoldOff);
        d.Device.SetAfterTrigger(c.After);
        d.Trigger(0, 128, true);
        ASSERT_GE(d.RunUntilRecord(100000), 0);
        EXPECT_EQ(d.Device.GeneratedCount(), c.Generated);
        for (int32_t ch = 0; ch < 2; ++ch) {
            EXPECT_EQ(d.Data[ch].First, c.First);
            EXPECT_EQ(d.Data[ch].Last, c.Last);
        }
        // The copied samples are the newest ones of the ring, oldest first.
        if (c.Last >= 0) {
            const auto &ring = d.Device.Ring(0);
            int32_t pos = d.Device.WritePosition();
            for (int32_t i = c.Last; i >= c.First; --i) {
                pos = (pos + TDAO_DEMO::RingSize - 1) % TDAO_DEMO::RingSize;
                ASSERT_EQ(d.Data[0].Data[i], ring[pos]) << i;
            }
        }
    }
}

// The record holds the hold-off and one signal period before the trigger and the after-trigger part
// after it, nothing more. At 20 us/div (2.5 MS/s), 8K memory, hold-off "Set" 1 ms (2500 samples) and
// after-trigger "Set" 100 us (250 samples), that is the last 2750 to 2999 samples of 8192: the 1:1 view
// at the record's start (samples 0..499) holds none and shows only the cursors. Hold-off "Auto" (memory
// less after-trigger) fills the memory.
TEST(DemoDevice, AShortHoldOffLeavesTheStartOfTheMemoryEmpty) {
    const struct {
        const char *what;
        int32_t holdOff, randomValue, first;
    } cases[] = {
        {"Set 1 ms, trigger at the period's start", 2500, 0, 8192 - 2750},
        {"Set 1 ms, trigger at the period's end", 2500, 249, 8192 - 2999},
        {"Auto", 8192 - 250, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TDemo d;
        d.Fixed.Value = c.randomValue;
        d.Device.SetTimeBase(Rate2500k);
        d.SetMemory(8192);
        d.Device.SetHoldOff(c.holdOff);
        d.Device.SetAfterTrigger(250);
        d.Trigger(0, 128, true);
        ASSERT_GE(d.RunUntilRecord(100000), 0);
        for (int32_t ch = 0; ch < 2; ++ch) {
            EXPECT_EQ(d.Data[ch].First, c.first);
            EXPECT_EQ(d.Data[ch].Last, 8191);
        }
    }
}

TEST(DemoDevice, FillTimes) {
    struct TCase {
        int32_t TimeBase, After;
        double Milliseconds;
    } cases[] = {
        {Rate500, 1000, 2000},
        {Rate10k, 1024, 102.4},
        {Rate250k, 25000, 100},
        {Rate10G, 1048576, 0.1048576},
    };
    for (const auto &c : cases) {
        TDemo d;
        d.Device.SetTimeBase(c.TimeBase);
        d.Device.SetAfterTrigger(c.After);
        d.Device.GenerateRecord(false, true);
        EXPECT_NEAR(d.Device.FillTime(), c.Milliseconds, 1e-9) << c.TimeBase;
    }
}

TEST(DemoDevice, ModesAndTheirTiming) {
    // Every poll sleeps 1 ms on the manual clock; the first poll starts the capture at time 1.
    // 1000 samples at 500 S/s take 2000 ms.
    struct TCase {
        int32_t Mode;
        bool Reachable, StartRequest;
        int64_t CompleteAt; // -1: never
    } cases[] = {
        {tmAuto, true, false, 1 + 2000},
        {tmAuto, false, false, 1 + 2 * 2000}, // one fill time waiting, one
                                              // filling
        {tmNormal, true, false, 1 + 2000},
        {tmNormal, false, false, -1},
        {tmSingle, true, false, -1},
        {tmSingle, true, true, 1 + 2000},
        {tmSingle, false, true, -1},
        {tmManual, false, false, -1},
        {tmManual, false, true, 1 + 2000},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.Mode << " " << c.Reachable << " " << c.StartRequest);
        TDemo d;
        d.Device.SetTimeBase(Rate500);
        d.Device.SetAfterTrigger(1000);
        d.Trigger(0, c.Reachable ? 128 : 250, true);
        d.Device.SetTriggerMode(c.Mode);
        d.Device.SetStartRequest(c.StartRequest);
        d.Device.StartAcquisition();
        EXPECT_EQ(d.RunUntilRecord(20000), c.CompleteAt);
    }
}

TEST(DemoDevice, ResultsThroughARecordsLife) {
    TDemo d;
    d.Device.SetTimeBase(Rate500);
    d.Device.SetAfterTrigger(1000);
    d.Trigger(0, 250, true);
    d.Device.SetTriggerMode(tmAuto);
    EXPECT_EQ(d.Device.ReadAcquisition(d.Data), asWaiting);
    // A poll sleeps until the fill time is up, a display frame at most: 20 ms before it, two polls.
    d.Clock.Advance(1980);
    EXPECT_EQ(d.Device.ReadAcquisition(d.Data), asWaiting); // 1996 ms waited
    EXPECT_EQ(d.Device.ReadAcquisition(d.Data), asTriggered);
    EXPECT_EQ(d.Clock.Now, 2001u);
    d.Clock.Advance(1980);
    EXPECT_EQ(d.Device.ReadAcquisition(d.Data), asTriggered);
    EXPECT_EQ(d.Device.ReadAcquisition(d.Data), asRecordRead);
    EXPECT_EQ(d.Clock.Now, 4001u);
    EXPECT_EQ(d.Data[0].Last, 1023);
    // The record stays there until the next start.
    EXPECT_EQ(d.Device.ReadAcquisition(d.Data), asRecordRead);
    d.Device.StartAcquisition();
    EXPECT_EQ(d.Device.ReadAcquisition(d.Data), asWaiting);

    // Single mode: one record per start request; the request is used up by the record.
    d.Device.SetTriggerMode(tmSingle);
    d.Trigger(0, 128, true);
    d.Device.SetStartRequest(true);
    EXPECT_GE(d.RunUntilRecord(d.Clock.Now + 5000), 0);
    d.Device.StartAcquisition();
    EXPECT_EQ(d.RunUntilRecord(d.Clock.Now + 5000), -1);

    // A trigger level change alone does not restart a capture; a mode change does.
    d.Device.SetStartRequest(true);
    EXPECT_EQ(d.Device.ReadAcquisition(d.Data), asTriggered);
    d.Device.SetTriggerLevel(0, 100);
    EXPECT_EQ(d.Device.ReadAcquisition(d.Data), asTriggered);
    d.Device.SetTriggerMode(tmNormal);
    EXPECT_EQ(d.Device.State(), 0);
}

// Expected level of generated sample k of a record whose sample `pre` sits at the trigger phase.
double SineLevel(double phase, int32_t k, int32_t pre, double interval, double gain, double offset) {
    return std::sin(phase + 2 * Pi * 10000 * (k - pre) * interval) * gain + offset;
}

TEST(DemoDevice, SamplesFollowTheSine) {
    struct TCase {
        int32_t TimeBase, Range, Shift, Level, HoldOff;
        bool Leading;
    } cases[] = {
        {Rate250k, 6, 2048, 184, 0, true},
        {Rate250k, 6, 2048, 72, 40, false},
        {Rate1M, 7, 2600, 200, 12, true},
        {5, 5, 1800, 100, 3, true}, // 25 kS/s: 2.5 samples per period
        // The slow time bases step whole periods per sample: the record is flat at the trigger phase.
        {Rate500, 6, 2048, 184, 0, true},
        {1, 6, 2048, 72, 4, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.TimeBase << " " << c.Level);
        TDemo d(true);
        d.Device.SetTimeBase(c.TimeBase);
        d.Device.SetRange(0, c.Range);
        d.Device.SetVerticalShift(0, c.Shift);
        d.Device.SetHoldOff(c.HoldOff);
        d.Device.SetAfterTrigger(1000);
        d.Trigger(0, c.Level, c.Leading);
        double phase = d.Device.FindTriggerPhase();
        ASSERT_GE(phase, 0);
        ASSERT_TRUE(d.Device.GenerateRecord(true, false));
        int32_t n = d.Device.GeneratedCount();
        int32_t pre = n - 1000;
        ASSERT_GE(pre, c.HoldOff);
        const auto &ring = d.Device.Ring(0);
        double gain = d.Device.Gain(0), offset = d.Device.GetGroundPosition(0);
        for (int32_t k = 0; k < n; ++k) {
            double v = SineLevel(phase, k, pre, d.Device.SampleInterval(), gain, offset);
            v = std::clamp(v, 0.0, 255.0);
            // Rounding, table steps and the noise of 0..0.45 levels.
            ASSERT_GE(ring[k], v - 0.6) << k;
            ASSERT_LE(ring[k], v + 1.0) << k;
        }
        // Channel B sees the same sine with its own gain and offset (1 V/div, mid-screen).
        for (int32_t k = 0; k < n; ++k) {
            double v = SineLevel(phase, k, pre, d.Device.SampleInterval(), 112, 128);
            ASSERT_NEAR(d.Device.Ring(1)[k], v, 1.0) << k;
        }
    }
}

// A long record reads its levels from tables, a short one computes them: with the same draws both give
// the same samples, noise included.
TEST(DemoDevice, LongAndShortRecordsGiveTheSameLevels) {
    for (const int32_t timeBase : {Rate250k, Rate1M, 5}) {
        SCOPED_TRACE(timeBase);
        TDemo shortRecord(true), longRecord(true);
        for (TDemo *d : {&shortRecord, &longRecord}) {
            d->Device.SetTimeBase(timeBase);
            d->Device.SetRange(1, 4);            // 0.2 V/div: the sine clips at both ends
            d->Device.SetVerticalShift(1, 2100); // levels between the rounding steps
        }
        shortRecord.Device.SetAfterTrigger(1000);
        longRecord.Device.SetAfterTrigger(200000);
        shortRecord.Device.GenerateRecord(false, true);
        longRecord.Device.GenerateRecord(false, true);
        for (int32_t ch = 0; ch < 2; ++ch)
            for (int32_t k = 0; k < 1000; ++k)
                ASSERT_EQ(shortRecord.Device.Ring(ch)[k], longRecord.Device.Ring(ch)[k]) << ch << " " << k;
    }
}

TEST(DemoDevice, GroundFillsTheRingWithTheOffset) {
    struct TCase {
        int32_t Shift, Level;
    } cases[] = {{2048, 128}, {2500, 205}, {3000, 255}, {0, 0}};
    for (const auto &c : cases) {
        TDemo d(true);
        d.Device.SetTimeBase(Rate250k);
        d.Device.SetVerticalShift(0, c.Shift);
        d.Device.SetGround(0, true);
        d.Device.SetAfterTrigger(1024);
        d.Device.SetTriggerMode(tmManual);
        d.Device.SetStartRequest(true);
        ASSERT_GE(d.RunUntilRecord(1000), 0);
        for (int32_t i = 0; i < 1024; ++i)
            ASSERT_EQ(d.Data[0].Data[i], c.Level) << i;
        EXPECT_EQ(d.Device.Ring(0)[TDAO_DEMO::RingSize - 1], c.Level);
        // Channel B still sees the sine.
        auto [lo, hi] = std::minmax_element(d.Data[1].Data.begin(), d.Data[1].Data.end());
        EXPECT_LE(*lo, 20);
        EXPECT_GE(*hi, 236);
    }
}

TEST(DemoDevice, HeldChannelKeepsItsSamples) {
    TDemo d(true);
    d.Device.SetTimeBase(Rate250k);
    d.Device.SetAfterTrigger(1024);
    d.Device.SetTriggerMode(tmManual);
    d.Device.SetStartRequest(true);
    ASSERT_GE(d.RunUntilRecord(1000), 0);
    const std::vector<uint8_t> before = d.Data[0].Data;

    d.Device.SetChannelHold(0, true);
    d.Device.SetVerticalShift(0, 1000); // a visible change that the held channel must not show
    d.Device.SetVerticalShift(1, 1000);
    d.Device.SetAfterTrigger(300);
    d.Device.SetStartRequest(true);
    ASSERT_GE(d.RunUntilRecord(2000), 0);
    EXPECT_EQ(d.Data[0].Data, before);
    EXPECT_EQ(d.Data[0].First, 724); // the intersection of 0..1023 and 724..1023
    EXPECT_EQ(d.Data[0].Last, 1023);
    EXPECT_EQ(d.Data[1].First, 724);
    EXPECT_LT(*std::max_element(d.Data[1].Data.begin() + 724, d.Data[1].Data.end()), 100);

    // A held range without overlap with the new record becomes the canonical empty one.
    d.Data[0].First = 10;
    d.Data[0].Last = 100;
    d.Device.StartAcquisition();
    d.Device.SetStartRequest(true);
    ASSERT_GE(d.RunUntilRecord(3000), 0);
    EXPECT_EQ(d.Data[0].First, 0);
    EXPECT_EQ(d.Data[0].Last, -1);
    EXPECT_EQ(d.Data[0].Data, before);

    // Released, the channel takes new records again.
    d.Device.SetChannelHold(0, false);
    d.Device.StartAcquisition();
    d.Device.SetStartRequest(true);
    ASSERT_GE(d.RunUntilRecord(4000), 0);
    EXPECT_EQ(d.Data[0].First, 724);
    EXPECT_NE(d.Data[0].Data, before);
}

TEST(DemoDevice, ChannelsOfDifferentLengthsAreEachFilledWithinTheirOwnData) {
    TDemo d;
    d.Data.resize(2);
    d.Data[0].Data.assign(1024, 0);
    d.Data[1].Data.assign(100, 0);
    d.Device.SetTimeBase(Rate250k);
    d.Device.SetAfterTrigger(1024);
    d.Device.SetTriggerMode(tmManual);
    d.Device.SetStartRequest(true);
    ASSERT_GE(d.RunUntilRecord(1000), 0);
    EXPECT_EQ(d.Data[0].First, 0);
    EXPECT_EQ(d.Data[0].Last, 1023);
    EXPECT_EQ(d.Data[1].First, 0);
    EXPECT_EQ(d.Data[1].Last, 99);
    EXPECT_EQ(d.Data[1].Data.size(), 100u);
    EXPECT_EQ(d.Data[1].Data[99], d.Device.Ring(1)[1023]);

    // Fewer waveforms than physical channels: only those present are written.
    TAcquiredData one(1);
    one[0].Data.assign(1024, 0);
    d.Device.StartAcquisition();
    d.Device.SetStartRequest(true);
    while (d.Device.ReadAcquisition(one) != asRecordRead)
        ASSERT_LT(d.Clock.Now, 3000u);
    EXPECT_EQ(one[0].Last, 1023);
}

TEST(DemoDevice, RecordBeforeAnySetterIsDefined) {
    platform::TManualClock clock;
    TFixedRandom random;
    TDAO_DEMO device(clock, clock, random);
    device.LoadDriver();
    EXPECT_DOUBLE_EQ(device.Gain(0), 11200);              // first range row: 10 mV/div
    EXPECT_DOUBLE_EQ(device.SampleInterval(), 1.0 / 500); // first time-base row
    device.SetAfterTrigger(100);
    TAcquiredData data(2);
    data[0].Data.assign(100, 0);
    data[1].Data.assign(100, 0);
    uint32_t limit = 1000;
    int32_t result = asWaiting;
    while (clock.Now < limit && (result = device.ReadAcquisition(data)) != asRecordRead) {
    }
    EXPECT_EQ(result, asRecordRead);
    EXPECT_DOUBLE_EQ(device.FillTime(), 200);
    EXPECT_EQ(data[0].Last, 99);
}

} // namespace

} // namespace scope
