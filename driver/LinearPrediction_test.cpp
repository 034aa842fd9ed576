#include "LinearPrediction.h"
#include "PhaseStatistics.h"
#include "RecordReader.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace pellex {
namespace {

constexpr int Len = 4096;

uint8_t A(uint16_t w) {
    return static_cast<uint8_t>(w);
}
uint8_t B(uint16_t w) {
    return static_cast<uint8_t>(w >> 8);
}

TEST(FillGaps, StraightLinesBetweenMeasuredSlotsAndDownToZeroAfterTheLast) {
    auto rec = std::make_unique<TLinearPrediction>();
    rec->Clear(Len);
    rec->Store(10, 100);
    rec->Store(20, 200);
    std::vector<uint16_t> out(Len, 0xFFFF);
    rec->FillGaps(out.data(), Len);
    for (int i = 10; i < 20; ++i)
        EXPECT_EQ(A(out[i]), 100 + 10 * (i - 10)) << "slot " << i;
    EXPECT_EQ(A(out[20]), 200);
    EXPECT_EQ(A(out[21]), 200); // Round(200 - 200 / 4076)
    EXPECT_EQ(A(out[2058]), 100);
    EXPECT_EQ(A(out[4095]), 0);
    // Slots before the first measured one keep the record's 0; B was stored as 0 throughout.
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[9], 0);
    EXPECT_EQ(B(out[15]), 0);
}

TEST(FillGaps, ChannelsInterpolateIndependently) {
    auto rec = std::make_unique<TLinearPrediction>();
    rec->Clear(Len);
    rec->Store(1, 0x6400); // B 100, A 0
    rec->Store(3, 0x00C8); // B 0, A 200
    rec->ClearChannel(0, Len);
    rec->Store(5, 0x0A0A);
    std::vector<uint16_t> out(Len);
    rec->FillGaps(out.data(), Len);
    // A was cleared: its first measured slot is 5. B runs 100 -> 0 over slots 1..3, then 0 -> 10.
    EXPECT_EQ(A(out[3]), 0);
    EXPECT_EQ(A(out[5]), 10);
    EXPECT_EQ(B(out[1]), 100);
    EXPECT_EQ(B(out[2]), 50);
    EXPECT_EQ(B(out[3]), 0);
    EXPECT_EQ(B(out[4]), 5);
}

TEST(FillGaps, EndsForEveryMaskAndKeepsWhatNeedsNoFilling) {
    auto rec = std::make_unique<TLinearPrediction>();
    std::vector<uint16_t> out(Len, 0x1234);
    // Nothing measured (or only slot 0): the record as it is.
    rec->Clear(Len);
    rec->FillGaps(out.data(), Len);
    EXPECT_EQ(out, std::vector<uint16_t>(Len, 0));
    rec->Store(0, 0x4242);
    rec->FillGaps(out.data(), Len);
    EXPECT_EQ(out[0], 0x4242);
    EXPECT_EQ(out[1], 0);
    // The last slot alone: a one-slot segment.
    rec->Store(Len - 1, 0x0909);
    rec->FillGaps(out.data(), Len);
    EXPECT_EQ(out[Len - 1], 0x0909);
    // Every slot from 1 measured: unchanged.
    std::vector<uint16_t> full(Len);
    for (int k = 1; k < Len; ++k) {
        full[k] = static_cast<uint16_t>(k * 37);
        rec->Store(k, full[k]);
    }
    full[0] = 0x4242;
    rec->FillGaps(out.data(), Len);
    EXPECT_EQ(out, full);
}

TEST(FillGaps, HalfwayRoundsToEven) {
    auto rec = std::make_unique<TLinearPrediction>();
    rec->Clear(Len);
    rec->Store(1, 0);
    rec->Store(3, 1);
    rec->Store(5, 0x0303);
    rec->Store(7, 0x0404);
    std::vector<uint16_t> out(Len);
    rec->FillGaps(out.data(), Len);
    EXPECT_EQ(A(out[2]), 0); // 0.5
    EXPECT_EQ(A(out[6]), 4); // 3.5
    EXPECT_EQ(B(out[6]), 4);
}

TEST(PhaseStatistics, WindowFromTheStartCountsUntilTheRingIsFull) {
    TPhaseStatistics p;
    EXPECT_EQ(p.Minimum(), 143);
    EXPECT_EQ(p.Maximum(), 250);
    EXPECT_EQ(p.Width(), 107);
    for (int i = 0; i < 1024; ++i)
        EXPECT_FALSE(p.Add(180 + i % 20));
    EXPECT_EQ(p.Minimum(), 143);
    EXPECT_EQ(p.Maximum(), 250);
    // The 1025th phase takes the start counts away and replaces the oldest phase (180).
    EXPECT_FALSE(p.Add(190));
    EXPECT_EQ(p.Minimum(), 180);
    EXPECT_EQ(p.Maximum(), 199);
    EXPECT_EQ(p.Width(), 19);
    EXPECT_EQ(p.Cell(180), 52 - 1); // 52 times in the ring, the oldest replaced
    EXPECT_EQ(p.Count(), 1025);
    // Widening is reported; 0 and phases beyond the histogram are ignored.
    EXPECT_TRUE(p.Add(210));
    EXPECT_EQ(p.Maximum(), 210);
    EXPECT_FALSE(p.Add(0));
    EXPECT_FALSE(p.Add(512));
    EXPECT_EQ(p.Count(), 1026);
    p.Reset();
    EXPECT_EQ(p.Count(), 0);
    EXPECT_EQ(p.Cell(143), 1);
    EXPECT_EQ(p.Maximum(), 250);
}

TEST(Smoothing, WindowsByTimeBase) {
    const int len = 16;
    std::vector<uint16_t> in(len);
    for (int i = 0; i < len; ++i)
        in[i] = static_cast<uint16_t>(((i * i) & 0xFF) | ((100 - i) << 8));
    auto mean = [&](int lo, int hi, int ch) {
        int s = 0;
        for (int k = lo; k <= hi; ++k)
            s += ch == 0 ? in[k] & 0xFF : in[k] >> 8;
        return s / (hi - lo + 1);
    };
    struct TCase {
        int32_t V;
        std::vector<std::pair<int, int>> Windows; // per sample; (-1, -1) unchanged
    } cases[] = {
        {2,
         {{-1, -1},
          {0, 1},
          {1, 3},
          {2, 4},
          {0, 8},
          {1, 9},
          {2, 10},
          {3, 11},
          {4, 12},
          {5, 13},
          {6, 14},
          {7, 15},
          {11, 13},
          {12, 14},
          {14, 15},
          {-1, -1}}},
        {10,
         {{-1, -1},
          {0, 1},
          {0, 4},
          {1, 5},
          {2, 6},
          {3, 7},
          {4, 8},
          {5, 9},
          {6, 10},
          {7, 11},
          {8, 12},
          {9, 13},
          {10, 14},
          {11, 15},
          {14, 15},
          {-1, -1}}},
        {20,
         {{-1, -1},
          {0, 2},
          {1, 3},
          {2, 4},
          {3, 5},
          {4, 6},
          {5, 7},
          {6, 8},
          {7, 9},
          {8, 10},
          {9, 11},
          {10, 12},
          {11, 13},
          {12, 14},
          {13, 15},
          {-1, -1}}},
    };
    for (const TCase &c : cases) {
        std::vector<uint16_t> out = in;
        TRecordReader::Smooth(out.data(), len, c.V);
        for (int i = 0; i < len; ++i) {
            const auto [lo, hi] = c.Windows[i];
            const uint16_t expected =
                lo < 0 ? in[i] : static_cast<uint16_t>(mean(lo, hi, 0) | (mean(lo, hi, 1) << 8));
            EXPECT_EQ(out[i], expected) << "V " << c.V << " sample " << i;
        }
    }
    std::vector<uint16_t> out = in;
    TRecordReader::Smooth(out.data(), len, 50);
    EXPECT_EQ(out, in);
}

} // namespace
} // namespace pellex
