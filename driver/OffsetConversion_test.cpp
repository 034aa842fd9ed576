#include "OffsetConversion.h"

#include <gtest/gtest.h>

namespace pellex {
namespace {

const TCalibration Defaults = TCalibration::Defaults();

TEST(OffsetConversion, KnownPositionsUnderTheDefaultCalibration) {
    struct TCase {
        int Channel;
        int32_t Key;
        double Position;
        int Dac;
    } cases[] = {
        {0, 100, 127, 1976},                           // group 0, no correction
        {1, 100, 127, 1859},       {0, 100, 31, 1147}, // exactly T[0]
        {0, 100, 223, 2767},                           // exactly T[6]
        {0, 10, 31, 1147 + 101},                       // with A10's correction
        {1, 5000, 223, 2867 - 2},                      // group 2 with B5000's correction
        {0, 200, 63, 1512},                            // group 1, no correction
        {0, 100, 0, 1147 - 268},                       // below the first point: Round(31 x 829 / 96)
        {0, 100, 255, 2767 + 264},                     // above the last: Round(32 x 791 / 96)
    };
    for (const TCase &c : cases) {
        const int group = OffsetGroup(c.Key);
        const int32_t e = OffsetCorrection(Defaults, c.Channel, c.Key);
        EXPECT_EQ(PositionToOffsetDac(Defaults.Offsets[c.Channel][group], e, c.Position), c.Dac)
            << "channel " << c.Channel << " key " << c.Key << " position " << c.Position;
        EXPECT_EQ(OffsetDacToPosition(Defaults.Offsets[c.Channel][group], e, c.Dac), c.Position)
            << "channel " << c.Channel << " key " << c.Key << " dac " << c.Dac;
    }
}

TEST(OffsetConversion, BetweenPointsInterpolatesWithinTheSegment) {
    const auto &t = Defaults.Offsets[0][0];
    // Position 111 lies halfway between 95 (1702) and 127 (1976).
    EXPECT_EQ(PositionToOffsetDac(t, 0, 111), 1702 + 137);
    EXPECT_EQ(OffsetDacToPosition(t, 0, 1702 + 137), 111);
    // Ties round to even: 16 x 3 / 32 = 1.5 -> 2 with T = {0, 3, ...}.
    TOffsetPoints tie = {100, 103, 200, 300, 400, 500, 600};
    EXPECT_EQ(PositionToOffsetDac(tie, 0, 47), 102);
}

TEST(OffsetConversion, UnknownKeyTakesTheLastRowAndGroupZero) {
    EXPECT_EQ(FindRange(300), 8);
    EXPECT_EQ(FindRange(10), 0);
    EXPECT_EQ(FindRange(2000), 7);
    EXPECT_EQ(FindRange(5000), 8);
    EXPECT_EQ(OffsetGroup(300), 0);
    EXPECT_EQ(OffsetCorrection(Defaults, 0, 300), 0);
    EXPECT_EQ(OffsetCorrection(Defaults, 1, 200), 0);
    EXPECT_EQ(OffsetCorrection(Defaults, 1, 2000), -5);
}

TEST(OffsetConversion, EqualOuterWordsDoNotDivideByZero) {
    TOffsetPoints flat = {1000, 1000, 1000, 1000, 1000, 1000, 1000};
    EXPECT_EQ(OffsetDacToPosition(flat, 0, 900), 31);
    EXPECT_EQ(OffsetDacToPosition(flat, 0, 1100), 223);
}

} // namespace
} // namespace pellex
