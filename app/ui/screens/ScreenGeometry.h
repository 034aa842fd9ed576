// Mapping between screen units (points across, levels up from the bottom) and pixels of a screen
// bitmap. Rounding is to the nearest with halves to even, done exactly on 64-bit integer fractions, so
// that large sample counts and wide bitmaps can neither overflow nor round a half the wrong way.
#pragma once

#include <cstdint>

namespace scope {

struct TScreenGeometry {
    int32_t Width = 0;  // pixels
    int32_t Height = 0; // pixels
    int32_t PointsOnScreen = 500;
    int32_t LevelCount = 256;

    int32_t PointToX(int64_t point) const;
    int32_t LevelToY(int64_t level) const;
    int32_t XToPoint(int64_t x) const;
    int32_t YToLevel(int64_t y) const;
};

// Round to the nearest integer, halves to even, saturated to the 32-bit range.
int32_t RoundToInt(long double x);
// numerator / denominator rounded to the nearest integer, halves to even (denominator not 0).
int64_t RoundDivide(int64_t numerator, int64_t denominator);

} // namespace scope
