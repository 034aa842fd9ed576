#include "ScreenGeometry.h"

#include <cmath>
#include <limits>

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

// A zero divisor (a control not yet sized, capabilities not yet known) maps everything to 0.
int32_t TScreenGeometry::PointToX(int64_t point) const {
    if (PointsOnScreen == 0)
        return 0;
    return RoundToInt(static_cast<long double>(point * Width) / PointsOnScreen);
}

int32_t TScreenGeometry::LevelToY(double level) const {
    if (LevelCount == 0)
        return 0;
    return RoundToInt(Height - static_cast<long double>(level) * Height / LevelCount - 1);
}

int32_t TScreenGeometry::XToPoint(int64_t x) const {
    if (Width == 0)
        return 0;
    return RoundToInt(static_cast<long double>(x * PointsOnScreen) / Width);
}

int32_t TScreenGeometry::YToLevel(int64_t y) const {
    if (Height == 0)
        return 0;
    return RoundToInt(static_cast<long double>(Height - y - 1) / Height * LevelCount);
}
