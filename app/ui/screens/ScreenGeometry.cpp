#include "screens/ScreenGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace scope {

int32_t RoundToInt(long double x) {
    if (std::isnan(x))
        return 0;
    const long double r = std::nearbyintl(x);
    if (r >= static_cast<long double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (r <= static_cast<long double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}

int64_t RoundDivide(int64_t numerator, int64_t denominator) {
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    int64_t q = numerator / denominator, r = numerator % denominator;
    // Truncation went towards zero; step to the floor so that the remainder is not negative.
    if (r < 0) {
        q -= 1;
        r += denominator;
    }
    const int64_t twice = 2 * r;
    if (twice > denominator || (twice == denominator && (q & 1)))
        ++q;
    return q;
}

namespace {

int32_t Saturate(int64_t v) {
    return int32_t(
        std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

} // namespace

// A zero divisor (a control not yet sized, capabilities not yet known) maps everything to 0.
int32_t TScreenGeometry::PointToX(int64_t point) const {
    if (PointsOnScreen == 0)
        return 0;
    return Saturate(RoundDivide(point * Width, PointsOnScreen));
}

int32_t TScreenGeometry::LevelToY(int64_t level) const {
    if (LevelCount == 0)
        return 0;
    // H - v H / L - 1 as one fraction over L.
    return Saturate(RoundDivide((int64_t(Height) - 1) * LevelCount - level * Height, LevelCount));
}

void TLevelRows::Fit(const TScreenGeometry &g) {
    if (g.Width == G.Width && g.Height == G.Height && g.PointsOnScreen == G.PointsOnScreen &&
        g.LevelCount == G.LevelCount)
        return;
    G = g;
    // A table only for a level count a screen has (256 for 8 bits); others are worked out each time.
    Rows.assign(g.LevelCount > 0 && g.LevelCount <= 65536 ? size_t(g.LevelCount) : 0, 0);
    for (size_t level = 0; level < Rows.size(); ++level)
        Rows[level] = g.LevelToY(int64_t(level));
}

void TColumnXs::Fit(const TScreenGeometry &g, int64_t pointsPerColumn, int32_t count) {
    if (g.Width == G.Width && g.Height == G.Height && g.PointsOnScreen == G.PointsOnScreen &&
        g.LevelCount == G.LevelCount && pointsPerColumn == Ppc && int64_t(Xs.size()) >= int64_t(count) + 1)
        return;
    G = g;
    Ppc = pointsPerColumn;
    // A table only for a column count a screen has; others are worked out each time.
    Xs.assign(count >= 0 && count < 1 << 20 ? size_t(count) + 1 : 0, 0);
    for (size_t j = 0; j < Xs.size(); ++j)
        Xs[j] = g.PointToX(int64_t(j) * pointsPerColumn);
}

int32_t TScreenGeometry::XToPoint(int64_t x) const {
    if (Width == 0)
        return 0;
    return Saturate(RoundDivide(x * PointsOnScreen, Width));
}

int32_t TScreenGeometry::YToLevel(int64_t y) const {
    if (Height == 0)
        return 0;
    return Saturate(RoundDivide((int64_t(Height) - y - 1) * LevelCount, Height));
}

} // namespace scope
