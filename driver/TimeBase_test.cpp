#include "Lfsr.h"
#include "TimeBase.h"

#include <gtest/gtest.h>

namespace pellex {
namespace {

TEST(TimeBase, ControlWordAndFactorForEveryTable) {
    struct TCase {
        int32_t V;
        int Type;
        uint16_t Word;
        bool Ets;
        int32_t Factor;
    } cases[] = {
        {10, 0, 0x0C00, true, 100},   {20, 1, 0x0C00, true, 50},   {100, 3, 0x0C00, true, 10},
        {5, 2, 0x0C00, true, 200},    {2, 4, 0x0C40, true, 250},   {100, 5, 0x0C40, true, 5},
        {200, 0, 0x0800, true, 5},    {200, 3, 0x0800, true, 5},   {200, 4, 0x0080, false, 1},
        {500, 1, 0x0800, true, 2},    {500, 2, 0x0040, false, 1},  {500, 5, 0x0040, false, 1},
        {1000, 0, 0, false, 1},       {2000, 4, 1, false, 1},      {5000, 2, 2, false, 1},
        {10000, 0, 3, false, 1},      {20000, 0, 5, false, 1},     {50000, 0, 6, false, 1},
        {100000, 0, 7, false, 1},     {200000, 0, 13, false, 1},   {500000, 0, 14, false, 1},
        {1000000, 0, 15, false, 1},   {2000000, 0, 21, false, 1},  {5000000, 5, 22, false, 1},
        {10000000, 0, 23, false, 1},  {20000000, 0, 29, false, 1}, {50000000, 0, 30, false, 1},
        {100000000, 0, 31, false, 1},
    };
    for (const TCase &c : cases) {
        const TTimeBaseChoice got = ChooseTimeBase(c.V, c.Type, 0x1234);
        EXPECT_EQ(got.Word, c.Word) << "V " << c.V << " type " << c.Type;
        EXPECT_EQ(got.EquivalentTime, c.Ets) << "V " << c.V << " type " << c.Type;
        EXPECT_EQ(got.Factor, c.Factor) << "V " << c.V << " type " << c.Type;
    }
}

TEST(TimeBase, UnknownTimeKeepsTheWordInRealTime) {
    const TTimeBaseChoice got = ChooseTimeBase(300, 0, 0x0C00);
    EXPECT_EQ(got.Word, 0x0C00);
    EXPECT_FALSE(got.EquivalentTime);
    EXPECT_EQ(got.Factor, 1);
    EXPECT_FALSE(got.Fast);
}

TEST(Lfsr, PreloadCountsDownToAllOnes) {
    const std::pair<int32_t, uint16_t> cases[] = {
        {0, 0xFFFF},
        {1, 0x7FFF},
        {1024, 0x75D3},
        {63456, 0xFFFE},
        {70000, 0xFFFE},
        // The largest after-trigger value the program allows is the longest count, not a short one.
        {63457, 0xFFFE},
    };
    for (const auto &[n, word] : cases)
        EXPECT_EQ(LfsrCount(n), word) << "n " << n;
}

TEST(Lfsr, PreloadReachesAllOnesInExactlyNSteps) {
    for (int32_t n : {2, 3, 100, 4096, 8192, 63000}) {
        uint16_t s = LfsrCount(n);
        int steps = 0;
        while (s != 0xFFFF && steps <= n) {
            s = LfsrStep(s);
            ++steps;
        }
        EXPECT_EQ(steps, n);
    }
}

} // namespace
} // namespace pellex
