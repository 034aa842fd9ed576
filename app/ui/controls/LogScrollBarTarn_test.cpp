#include "controls/LogScrollBarTarn.h"

#include "testkit/ui/QtTestKit.h"

#include <cmath>

#include <gtest/gtest.h>

namespace scope {

namespace {

struct TLogCase {
    int32_t A, B;
    int Positions;
    // Position and the value it stands for.
    std::vector<std::pair<int, double>> Values;
    // SetLogValue argument and the position it gives.
    std::vector<std::pair<double, int>> Seek;
};

TEST(LogScrollBarTarn, RangesMapPositionsAndValuesBothWays) {
    TestApp();
    const std::vector<TLogCase> cases = {
        {1, 63457, 317, {{0, 1.0}, {1, 2.0}, {317, 63457.0}}, {{1000, 139}, {1, 0}, {-5, 0}, {1e9, 317}}},
        {0, 32767, 289, {{0, 0.0}, {289, 32767.0}}, {{32767, 289}, {-100, 0}}},
        {5, 5, 0, {{0, 5.0}}, {{100, 0}}},
        {9, 3, 0, {{0, 9.0}}, {{4, 0}}},
    };
    for (const TLogCase &c : cases) {
        SCOPED_TRACE(testing::Message() << c.A << ".." << c.B);
        TLogScrollBarTarn bar;
        bar.setValue(0);
        bar.SetLogRange(c.A, c.B);
        EXPECT_EQ(bar.minimum(), 0);
        EXPECT_EQ(bar.maximum(), c.Positions);
        if (c.B > c.A)
            EXPECT_EQ(bar.LogValue, -1.0);
        else
            EXPECT_EQ(bar.LogValue, c.A);
        for (auto [position, value] : c.Values) {
            bar.setValue(position == 0 ? c.Positions : 0);
            bar.setValue(position);
            EXPECT_NEAR(bar.LogValue, value, 0.05) << "position " << position;
        }
        for (auto [x, position] : c.Seek) {
            bar.setValue(c.Positions / 2);
            bar.SetLogValue(x);
            EXPECT_EQ(bar.value(), position) << "value " << x;
            EXPECT_TRUE(std::isfinite(bar.LogValue));
        }
    }
}

TEST(LogScrollBarTarn, ValueEqualAfterRoundingLeavesTheBarAndAChangeFiresWithTheNewValue) {
    TestApp();
    TLogScrollBarTarn bar;
    bar.SetLogRange(1, 63457);
    std::vector<double> seen;
    QObject::connect(&bar, &QScrollBar::valueChanged, [&] { seen.push_back(bar.LogValue); });
    bar.SetLogValue(1000);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NEAR(seen[0], 1000, 25);
    const int at = bar.value();
    bar.SetLogValue(std::nearbyint(bar.LogValue) + 0.3);
    EXPECT_EQ(bar.value(), at);
    EXPECT_EQ(seen.size(), 1u);
    bar.SetLogValue(bar.LogValue * 1.1);
    EXPECT_GT(bar.value(), at);
    EXPECT_EQ(seen.size(), 2u);
}

} // namespace

} // namespace scope
