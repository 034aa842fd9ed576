#include "screens/XorRaster.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

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

} // namespace

} // namespace scope
