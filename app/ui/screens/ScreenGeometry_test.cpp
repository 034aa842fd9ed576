#include "screens/ScreenColors.h"
#include "screens/ScreenGeometry.h"

#include <gtest/gtest.h>

namespace scope {

namespace {

struct MapCase {
    const char *what;
    int32_t w, h, points, levels;
    char fn; // 'x' PointToX, 'y' LevelToY, 'p' XToPoint, 'l' YToLevel
    int64_t in;
    int32_t out;
};

TEST(ScreenGeometry, MapsBetweenScreenUnitsAndPixels) {
    const MapCase cases[] = {
        {"division line", 600, 400, 500, 256, 'x', 50, 60},
        {"7 points is the level mark width", 600, 400, 500, 256, 'x', 7, 8},
        {"bottom level is the last row", 600, 400, 500, 256, 'y', 0, 399},
        {"top level", 600, 400, 500, 256, 'y', 255, 1},
        {"first horizontal grid line", 600, 400, 500, 256, 'y', 32, 349},
        {"half pixel rounds down to even", 500, 400, 1000, 256, 'x', 1, 0},
        {"half pixel rounds up to even", 500, 400, 1000, 256, 'x', 3, 2},
        {"pixel back to point, half to even", 1000, 400, 500, 256, 'p', 1, 0},
        {"pixel back to point, half to even up", 1000, 400, 500, 256, 'p', 3, 2},
        {"pixel to point", 600, 400, 500, 256, 'p', 60, 50},
        {"last row is level 0", 600, 400, 500, 256, 'l', 399, 0},
        {"top row", 600, 400, 500, 256, 'l', 0, 255},
        {"grid row back to its level", 600, 400, 500, 256, 'l', 349, 32},
        {"level half rounds to even", 512, 512, 500, 256, 'l', 510, 0},
        {"level half rounds to even up", 512, 512, 500, 256, 'l', 506, 2},
        {"wide bitmap, large point: no 32-bit overflow", 60000, 400, 70000, 256, 'x', 69999, 59999},
        {"large x: no 32-bit overflow", 70000, 400, 60000, 256, 'p', 69999, 59999},
        {"unsized control", 0, 0, 500, 256, 'p', 10, 0},
        {"row half rounds down to even", 400, 400, 500, 256, 'y', 8, 386},
        {"row half rounds up to even", 400, 400, 500, 256, 'y', 24, 362},
        {"level below the screen", 600, 400, 500, 256, 'y', -2, 402},
    };
    for (const auto &c : cases) {
        TScreenGeometry g{c.w, c.h, c.points, c.levels};
        int32_t got = 0;
        switch (c.fn) {
        case 'x':
            got = g.PointToX(c.in);
            break;
        case 'y':
            got = g.LevelToY(static_cast<double>(c.in));
            break;
        case 'p':
            got = g.XToPoint(c.in);
            break;
        case 'l':
            got = g.YToLevel(c.in);
            break;
        }
        EXPECT_EQ(got, c.out) << c.what;
    }
}

TEST(ScreenGeometry, LevelRowsGiveWhatTheGeometryGivesAndFollowItsChanges) {
    TLevelRows rows;
    for (const TScreenGeometry g : {TScreenGeometry{600, 400, 500, 256}, TScreenGeometry{563, 351, 500, 256},
                                    TScreenGeometry{100, 7, 500, 3}}) {
        rows.Fit(g);
        for (int64_t level : {-300LL, -1LL, 0LL, 1LL, 127LL, 128LL, 255LL, 256LL, 1000LL})
            EXPECT_EQ(rows.Y(level), g.LevelToY(level)) << g.Width << "x" << g.Height << " level " << level;
    }
}

// The column table follows the geometry, the points a column and the column count; another count of
// points a column, or a column beyond the table, is worked out as the geometry gives it.
TEST(ScreenGeometry, ColumnXsGiveWhatTheGeometryGivesAndFollowItsChanges) {
    TColumnXs xs;
    const struct {
        TScreenGeometry G;
        int64_t Ppc;
        int32_t Count;
    } fits[] = {{{571, 381, 500, 256}, 1, 500},
                {{571, 381, 500, 256}, 2, 250},
                {{1000, 600, 500, 256}, 2, 250},
                {{1000, 600, 1000, 256}, 2, 250},
                {{1000, 600, 1000, 256}, 2, 400}};
    for (const auto &f : fits) {
        xs.Fit(f.G, f.Ppc, f.Count);
        for (int64_t j : {-2LL, -1LL, 0LL, 1LL, 7LL, 249LL, 250LL, 251LL, 399LL, 400LL, 401LL, 100000LL})
            for (int64_t ppc : {f.Ppc, f.Ppc + 1})
                EXPECT_EQ(xs.X(j, ppc), f.G.PointToX(j * ppc)) << f.G.Width << " wide, " << f.G.PointsOnScreen
                                                               << " points, column " << j << " of " << ppc;
    }
}

TEST(ScreenGeometry, RoundDivideHalvesToEvenOnBothSides) {
    const struct {
        int64_t n, d, q;
    } cases[] = {{5, 2, 2},   {7, 2, 4},   {-5, 2, -2},
                 {-7, 2, -4}, {5, -2, -2}, {1, 3, 0},
                 {2, 3, 1},   {-2, 3, -1}, {int64_t(3) << 40, 2, int64_t(3) << 39},
                 {0, 7, 0}};
    for (const auto &c : cases)
        EXPECT_EQ(RoundDivide(c.n, c.d), c.q) << c.n << "/" << c.d;
}

TEST(ScreenColors, PenValuesShowTheColourOverTheBackground) {
    // Full strength over black is the colour itself; over another background XORing the pen value
    // onto that background gives the colour back.
    EXPECT_EQ(MixWithScreenColor(0x00FF00, 1.0, 0), 0x00FF00u);
    EXPECT_EQ(MixWithScreenColor(0x123456, 1.0, 0xFFFFFF) ^ 0xFFFFFFu, 0x123456u);
    // The background itself gives 0: such a pen leaves pixels unchanged.
    EXPECT_EQ(MixWithScreenColor(0x808080, 1.0, 0x808080), 0u);
    // Half way from black to white: 127.5 rounds to even 128.
    EXPECT_EQ(MixWithScreenColor(0xFFFFFF, 0.5, 0), 0x808080u);
    // Half way from 0x01 to 0x00 is 0.5, to even 0; the top byte is carried over.
    EXPECT_EQ(MixWithScreenColor(0x7F000001, 0.5, 0), 0x7F000000u);
    EXPECT_EQ(HighlightColor(0x00FF00, false, 0x000000), 0x00FF00u);
    EXPECT_EQ(HighlightColor(0x204010, true, 0x000000), 0xE0FFD0u);
    EXPECT_EQ(HighlightColor(0x204010, true, 0x0000FF), 0xE0FFD0u ^ 0xFFu);
    EXPECT_EQ(LightenColor(0x00FF00, 128), 0x80FF80u);
}

TEST(ScreenColors, TextsThatWouldVanishOnPaperTurnBlack) {
    // Colours are 0x00BBGGRR; the contrast against white is given for each.
    const struct {
        const char *what;
        uint32_t color, onPaper;
    } cases[] = {
        {"white (1:1)", 0xFFFFFF, 0},
        {"yellow (1.07:1)", 0x00FFFF, 0},
        {"cyan (1.25:1)", 0xFFFF00, 0},
        {"lime (1.37:1)", 0x00FF00, 0},
        {"silver (1.8:1)", 0xC0C0C0, 0},
        {"orange (2.5:1)", 0x0080FF, 0},
        {"grey 0x959595 (2.99:1)", 0x959595, 0},
        {"grey 0x949494 (3.03:1)", 0x949494, 0x949494},
        {"red (4:1)", 0x0000FF, 0x0000FF},
        {"magenta (3.1:1)", 0xFF00FF, 0xFF00FF},
        {"green (5.1:1)", 0x008000, 0x008000},
        {"blue (8.6:1)", 0xFF0000, 0xFF0000},
        {"black", 0, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TextColorOnPaper(c.color), c.onPaper) << c.what;
}

} // namespace

} // namespace scope
