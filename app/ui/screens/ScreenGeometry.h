// Mapping between screen units (points across, levels up from the bottom) and pixels of a screen
// bitmap. Rounding is to the nearest with halves to even, done exactly on 64-bit integer fractions, so
// that large sample counts and wide bitmaps can neither overflow nor round a half the wrong way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

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

// The rows of every level for one geometry, kept while it holds: drawing a trace then looks its levels
// up instead of dividing twice a point.
class TLevelRows {
public:
    // Up to date for this geometry.
    void Fit(const TScreenGeometry &g);
    int32_t Y(int64_t level) const {
        return level >= 0 && level < int64_t(Rows.size()) ? Rows[size_t(level)] : G.LevelToY(level);
    }

private:
    TScreenGeometry G{-1, -1, 0, 0};
    std::vector<int32_t> Rows;
};

// The x of each column boundary of a trace (point j x points per column), looked up instead of a 64-bit
// division per segment end; boundaries beyond the table are worked out.
class TColumnXs {
public:
    // Up to date for this geometry, this many points a column and columns 0 .. count.
    void Fit(const TScreenGeometry &g, int64_t pointsPerColumn, int32_t count);
    // For another count of points a column, worked out too.
    int32_t X(int64_t column, int64_t pointsPerColumn) const {
        return pointsPerColumn == Ppc && column >= 0 && column < int64_t(Xs.size())
                   ? Xs[size_t(column)]
                   : G.PointToX(column * pointsPerColumn);
    }

private:
    TScreenGeometry G{-1, -1, 0, 0};
    int64_t Ppc = 0;
    std::vector<int32_t> Xs;
};

// Round to the nearest integer, halves to even, saturated to the 32-bit range.
int32_t RoundToInt(long double x);
// numerator / denominator rounded to the nearest integer, halves to even (denominator not 0).
int64_t RoundDivide(int64_t numerator, int64_t denominator);

} // namespace scope
