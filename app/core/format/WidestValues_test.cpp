#include "format/WidestValues.h"

#include "device/DataTypesTarn.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <set>
#include <string>

namespace scope {

namespace {

std::set<std::string> Texts(const std::vector<double> &values, std::string (*format)(double)) {
    std::set<std::string> texts;
    for (double v : values)
        texts.insert(format(v));
    return texts;
}

} // namespace

TEST(SpanValues, EndsAndEveryDecadesRepeatedDigitsWithinTheSpan) {
    const std::vector<double> v = SpanValues(0, 0.41943);
    ASSERT_FALSE(v.empty());
    EXPECT_EQ(v.front(), 0);
    EXPECT_EQ(v.back(), 0.41943);
    EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
    const std::set<std::string> t = Texts(v, FormatTime);
    // Every leading digit that stays within the span, at the widest mantissa of each prefix.
    for (const char *text : {"333.333m", "111.111m", "99.999m", "8.888m", "999.999u", "1.111p", "419.43m"})
        EXPECT_EQ(t.count(text), 1u) << text;
    EXPECT_EQ(t.count("444.444m"), 0u) << "past the end";
}

TEST(SpanValues, AStepKeepsOnlyWholeCountsOfIt) {
    // Counts 4..1000 of a 10 us sample: never finer than the sample.
    const std::vector<double> v = SpanValues(4 * 10e-6, 1000 * 10e-6, 10e-6);
    for (double x : v) {
        EXPECT_NEAR(std::remainder(x, 10e-6), 0, 1e-15) << x;
        EXPECT_GE(x, 4 * 10e-6 - 1e-18);
        EXPECT_LE(x, 1000 * 10e-6 + 1e-18);
    }
    const std::set<std::string> t = Texts(v, FormatTime);
    EXPECT_EQ(t.count("8.89m"), 1u);
    EXPECT_EQ(t.count("8.888m"), 0u) << "a place no count reaches";
    EXPECT_EQ(t.count("40u"), 1u);
    EXPECT_EQ(t.count("10m"), 1u);
}

TEST(SpanValues, VoltagesDownToTheFormattersSmallestPrefix) {
    const std::set<std::string> t = Texts(SpanValues(1e-9, 40000), FormatVoltage);
    for (const char *text : {"999.999m", "555.555u", "0.001u", "33.333k", "40k", "9.999"})
        EXPECT_EQ(t.count(text), 1u) << text;
}

TEST(SpanValues, NothingForAnEmptyOrBrokenSpan) {
    EXPECT_TRUE(SpanValues(2, 1).empty());
    EXPECT_TRUE(SpanValues(-1, 1).empty());
    EXPECT_TRUE(SpanValues(0, INFINITY).empty());
    EXPECT_EQ(SpanValues(0, 0), std::vector<double>{0});
}

} // namespace scope
