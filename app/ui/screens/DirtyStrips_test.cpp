#include "screens/DirtyStrips.h"

#include <gtest/gtest.h>

namespace scope {

namespace {

TEST(DirtyStrips, MarksCoverWhatWasDrawnAndLittleElse) {
    TDirtyStrips d;
    EXPECT_TRUE(d.Region().isEmpty());
    // 640 pixels: strips of 40. A short line in strip 2, a dot in strip 15 (reversed corners).
    d.Add(85, 10, 95, 20, 640, 400);
    d.Add(639, 399, 630, 390, 640, 400);
    const QRegion r = d.Region();
    EXPECT_TRUE(r.contains(QRect(85, 10, 11, 11)));
    EXPECT_TRUE(r.contains(QPoint(630, 390)));
    EXPECT_FALSE(r.contains(QPoint(85, 21)));
    EXPECT_FALSE(r.contains(QPoint(0, 0)));
    EXPECT_EQ(r.rectCount(), 2);
    // Outside the bitmap nothing is marked; a full mark joins all strips into one rectangle.
    d.Clear();
    d.Add(-20, -5, -1, 30, 640, 400);
    d.Add(700, 0, 800, 10, 640, 400);
    EXPECT_TRUE(d.Region().isEmpty());
    d.All(640, 400);
    EXPECT_EQ(d.Region(), QRegion(0, 0, 640, 400));
    // A width that does not divide: the last strip ends at the edge.
    d.Clear();
    d.Add(598, 0, 599, 0, 600, 50);
    EXPECT_EQ(d.Region().boundingRect().right(), 599);
    // A new size forgets the old marks.
    d.Add(0, 0, 0, 0, 300, 20);
    EXPECT_EQ(d.Region(), QRegion(0, 0, 19, 1));
}

} // namespace

} // namespace scope
