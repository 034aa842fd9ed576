#include "screens/XorRaster.h"

#include "screens/ScreenGeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

namespace scope {

namespace {

QImage Blank(int w, int h, uint32_t color = 0) {
    QImage image(w, h, QImage::Format_RGB32);
    TXorRaster(image).FillRect(0, 0, w, h, color);
    return image;
}

std::set<std::pair<int, int>> Changed(const QImage &a, const QImage &b) {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                out.insert({x, y});
    return out;
}

TEST(XorRaster, ColoursAreWrittenAsRgbPixels) {
    QImage image = Blank(2, 1, 0x0000FF); // red in the lowest byte
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    TXorRaster(image).Line(0, 0, 2, 0, 0xFF0000); // XOR blue
    EXPECT_EQ(image.pixel(1, 0), qRgb(255, 0, 255));
}

TEST(XorRaster, LinesExcludeTheirEndPointAndJoinWithoutGapOrOverlap) {
    struct Case {
        int x0, y0, x1, y1;
        std::set<std::pair<int, int>> pixels;
    } cases[] = {
        {1, 0, 1, 4, {{1, 0}, {1, 1}, {1, 2}, {1, 3}}},
        {1, 4, 1, 0, {{1, 4}, {1, 3}, {1, 2}, {1, 1}}},
        {0, 2, 3, 2, {{0, 2}, {1, 2}, {2, 2}}},
        {0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},
        {2, 2, 2, 2, {}},
        // Clipped: only the part inside the bitmap is drawn.
        {-2, 1, 2, 1, {{0, 1}, {1, 1}}},
        {4, -3, 4, 2, {{4, 0}, {4, 1}}},
    };
    for (const auto &c : cases) {
        QImage before = Blank(5, 5), after = before;
        TXorRaster(after).Line(c.x0, c.y0, c.x1, c.y1, 0xFFFFFF);
        EXPECT_EQ(Changed(before, after), c.pixels) << c.x0 << "," << c.y0 << " -> " << c.x1 << "," << c.y1;
    }
    // A polyline of segments sets every pixel once: shared points are not XORed twice.
    QImage poly = Blank(10, 10);
    TXorRaster r(poly);
    r.Line(0, 9, 3, 2, 0xFFFFFF);
    r.Line(3, 2, 6, 8, 0xFFFFFF);
    r.Line(6, 8, 9, 8, 0xFFFFFF);
    EXPECT_EQ(poly.pixel(3, 2), qRgb(255, 255, 255));
    EXPECT_EQ(poly.pixel(6, 8), qRgb(255, 255, 255));
}

TEST(XorRaster, DrawingTwiceRestoresTheImageExactly) {
    QImage base(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            base.setPixel(x, y, qRgb(x * 6, y * 8, (x ^ y) * 3));
    QImage image = base;
    TXorRaster r(image);
    auto drawAll = [&r] {
        r.Line(-5, 3, 50, 27, 0x3377AA);
        r.Line(10, 29, 12, -1, 0xFF00FF);
        r.DottedLine(0, 7, 40, 7, 0xFFFFFF, 0x101010);
        r.DottedLine(9, 0, 9, 30, 0x808080, 0);
        r.VerticalSpan(20, 25, 2, 0x00FF00);
        r.XorRect(-3, -3, 45, 4, 0x0000FF);
    };
    drawAll();
    EXPECT_FALSE(Changed(base, image).empty());
    drawAll();
    EXPECT_TRUE(Changed(base, image).empty());
}

TEST(XorRaster, DottedLinesAlternateDotsAndGaps) {
    QImage image = Blank(6, 1);
    TXorRaster(image).DottedLine(0, 0, 6, 0, 0xFFFFFF, 0x0000FF);
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(1, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(2, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(5, 0), qRgb(255, 0, 0));
}

TEST(XorRaster, SpansAndRectanglesIncludeBothEnds) {
    QImage before = Blank(6, 6), after = before;
    TXorRaster r(after);
    r.VerticalSpan(1, 4, 2, 0xFFFFFF);
    r.XorRect(3, 0, 4, 1, 0xFFFFFF);
    EXPECT_EQ(Changed(before, after),
              (std::set<std::pair<int, int>>{{1, 2}, {1, 3}, {1, 4}, {3, 0}, {4, 0}, {3, 1}, {4, 1}}));
}

// The pixels a line from (x0, y0) to (x1, y1) changes, solid or dotted (its gaps change pixels too).
std::vector<std::pair<int, int>> Walked(int x0, int y0, int x1, int y1, int w, int h, bool dotted = false) {
    QImage before = Blank(w, h), after = before;
    if (dotted)
        TXorRaster(after).DottedLine(x0, y0, x1, y1, 0xFFFFFF, 0x808080);
    else
        TXorRaster(after).Line(x0, y0, x1, y1, 0xFFFFFF);
    std::vector<std::pair<int, int>> out;
    for (const auto &p : Changed(before, after))
        out.push_back(p);
    return out;
}

TEST(XorRaster, LinesOfEverySlopeCoverStartToThePixelBeforeTheEnd) {
    // Octant by octant, and the slopes that once went wrong (steep lines, near-vertical ones).
    struct Case {
        int dx, dy;
    } slopes[] = {{7, 0}, {7, 1}, {7, 3}, {7, 7}, {3, 7}, {1, 7}, {0, 7}, {1, 10}, {2, 9}, {9, 2}, {1, 1}};
    const int c = 12, size = 25;
    for (const Case &s : slopes)
        for (int sx : {1, -1})
            for (int sy : {1, -1})
                for (bool dotted : {false, true}) {
                    const int x1 = c + sx * s.dx, y1 = c + sy * s.dy;
                    SCOPED_TRACE(testing::Message() << "(" << c << "," << c << ") -> (" << x1 << "," << y1
                                                    << ")" << (dotted ? " dotted" : ""));
                    const auto pixels = Walked(c, c, x1, y1, size, size, dotted);
                    const int steps = std::max(s.dx, s.dy);
                    ASSERT_EQ(static_cast<int>(pixels.size()), steps);
                    const bool steep = s.dy > s.dx;
                    std::set<int> majors;
                    for (const auto &[x, y] : pixels) {
                        const int along = steep ? (y - c) * sy : (x - c) * sx;
                        const int across = steep ? (x - c) * sx : (y - c) * sy;
                        // One pixel for every step of the major axis from the start up to the one before the
                        // end.
                        EXPECT_GE(along, 0);
                        EXPECT_LT(along, steps);
                        majors.insert(along);
                        // The minor axis stays within half a pixel of the ideal line and never leaves its
                        // range.
                        const double ideal = steps == 0 ? 0 : double(along) * (steep ? s.dx : s.dy) / steps;
                        EXPECT_LE(std::abs(across - ideal), 0.5) << "at " << x << "," << y;
                        EXPECT_GE(across, 0);
                        EXPECT_LE(across, steep ? s.dx : s.dy);
                    }
                    EXPECT_EQ(static_cast<int>(majors.size()), steps);
                    if (steps > 0) {
                        EXPECT_NE(std::find(pixels.begin(), pixels.end(), std::pair{c, c}), pixels.end())
                            << "the start pixel is missing";
                    }
                }
    // A steep trace segment stays between its end columns.
    for (const auto &[x, y] : Walked(2, 0, 3, 10, 6, 12)) {
        EXPECT_GE(x, 2);
        EXPECT_LE(x, 3) << "at row " << y;
    }
}

TEST(XorRaster, DottedVerticalGridLinesLandOnTheirColumns) {
    struct Case {
        int width;
        std::vector<int> columns;
    } cases[] = {
        {600, {60, 120, 180, 240, 300, 360, 420, 480, 540}},
        {571, {57, 114, 171, 228, 286, 343, 400, 457, 514}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.width);
        const TScreenGeometry g{c.width, 400, 500, 256};
        QImage before = Blank(c.width, 400), after = before;
        TXorRaster r(after);
        // As the screen draws its grid: a dotted line down every division of 50 points.
        for (int p = 50; p < 500; p += 50) {
            const int x = g.PointToX(p);
            r.DottedLine(x, 0, x, g.Height, 0xFFFFFF, 0x808080);
        }
        std::set<int> columns;
        std::set<int> rows;
        for (const auto &[x, y] : Changed(before, after)) {
            columns.insert(x);
            if (x == c.columns.front())
                rows.insert(y);
        }
        EXPECT_EQ(columns, std::set<int>(c.columns.begin(), c.columns.end()));
        EXPECT_EQ(rows.size(), 400u); // every row of the column, top to bottom
    }
}

} // namespace

} // namespace scope
