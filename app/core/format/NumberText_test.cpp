#include "format/NumberText.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace scope {

using namespace numtext;

TEST(FloatToText, ShortestFormWithFifteenDigits) {
    const struct {
        double In;
        char Sep;
        const char *Out;
    } cases[] = {{0.7, '.', "0.7"},
                 {0.7, ',', "0,7"},
                 {-0.0, '.', "0"},
                 {100, '.', "100"},
                 {1.0 / 3, '.', "0.333333333333333"},
                 {0.00001, '.', "0.00001"},
                 {0.000001, '.', "1E-6"},
                 {123456789012345, '.', "123456789012345"},
                 {1e15, '.', "1E15"},
                 {1.5e20, '.', "1.5E20"},
                 {-2.5e-7, ',', "-2,5E-7"},
                 {std::numeric_limits<double>::quiet_NaN(), '.', "N/A"},
                 {std::numeric_limits<double>::infinity(), '.', "N/A"}};
    for (auto c : cases)
        EXPECT_EQ(FloatToText(c.In, c.Sep), c.Out) << c.In;
}

TEST(TryParse, AcceptsOnlyPlainDecimalNumbers) {
    int32_t i = 0;
    EXPECT_TRUE(TryParseInt("-2147483648", i));
    EXPECT_EQ(i, -2147483648);
    EXPECT_TRUE(TryParseInt("+42", i));
    EXPECT_EQ(i, 42);
    for (const char *bad : {"", "-", "12a", " 1", "1 ", "2147483648", "0x1F", "1.0"})
        EXPECT_FALSE(TryParseInt(bad, i)) << bad;

    double d = 0;
    EXPECT_TRUE(TryParseFloat("0,7", ',', d));
    EXPECT_DOUBLE_EQ(d, 0.7);
    EXPECT_TRUE(TryParseFloat("-1.5E3", '.', d));
    EXPECT_DOUBLE_EQ(d, -1500);
    EXPECT_TRUE(TryParseFloat(".5", '.', d));
    EXPECT_DOUBLE_EQ(d, 0.5);
    for (const char *bad : {"", ".", "nan", "inf", "INF", "0x1p3", "1e", "1.2.3", "0,7", " 1", "1e400"})
        EXPECT_FALSE(TryParseFloat(bad, '.', d)) << bad;
    EXPECT_EQ(NormaliseSeparators("1.5,2", ','), "1,5,2");
}

} // namespace scope
