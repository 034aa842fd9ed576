#include "controls/ShapeArrayTarn.h"
#include "platform/QtColors.h"
#include "testkit/ui/QtTestKit.h"

#include <QImage>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace scope {
namespace {

TEST(ShapeArrayTarn, GeometryFollowsCountAndHeightAndCountResetsToWhite) {
    TestApp();
    TShapeArrayTarn row;
    EXPECT_EQ(row.height(), 17);
    EXPECT_EQ(row.width(), 33);
    EXPECT_EQ(row.ShapeCount(), 2);
    EXPECT_EQ(row.GetColor(0), 0xFFFFFFu);
    row.SetColor(1, 0x123456);
    row.SetShapeCount(8);
    EXPECT_EQ(row.width(), 129);
    for (int32_t i = 0; i < 8; ++i)
        EXPECT_EQ(row.GetColor(i), 0xFFFFFFu) << i;
}

TEST(ShapeArrayTarn, ClicksReportTheSwatchUnderTheMouse) {
    TestApp();
    TShapeArrayTarn row;
    row.SetShapeCount(3);
    std::vector<int32_t> clicked;
    row.OnShapeClick = [&](TShapeArrayTarn &, int32_t i) { clicked.push_back(i); };
    const struct {
        int X;
        int32_t Index;
    } cases[] = {{0, 0}, {15, 0}, {16, 1}, {31, 1}, {32, 2}, {47, 2}, {48, 2}};
    for (const auto &c : cases) {
        EXPECT_EQ(row.IndexAt(c.X), c.Index) << c.X;
        clicked.clear();
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(c.X, 5), QPointF(c.X, 5), Qt::RightButton,
                          Qt::RightButton, Qt::ShiftModifier);
        QCoreApplication::sendEvent(&row, &press);
        EXPECT_EQ(clicked, std::vector<int32_t>{c.Index}) << c.X;
    }
    EXPECT_EQ(row.IndexAt(49), -1);
}

TEST(ShapeArrayTarn, MirrorTakesALighterCopyWithinTheRow) {
    TestApp();
    TShapeArrayTarn row;
    row.SetShapeCount(8);
    row.SetMirrorIndex(4);
    row.SetColor(1, 65535);
    EXPECT_EQ(row.GetColor(1), 65535u);
    EXPECT_EQ(row.GetColor(5), 0x80FFFFu); // red 255, green 255, blue 128
    row.SetColor(5, 0x010203);
    EXPECT_EQ(row.GetColor(5), 0x010203u);
    EXPECT_EQ(row.GetColor(1), 65535u);
    row.SetMirrorIndex(-1);
    row.SetColor(0, 0x00FF00);
    EXPECT_EQ(row.GetColor(4), 0xFFFFFFu);
}

TEST(ShapeArrayTarn, PaintsEachSwatchInsideBlackBorders) {
    TestApp();
    TShapeArrayTarn row;
    row.SetColor(0, 0x0000FF); // red
    row.SetColor(1, 0xFF0000); // blue
    QImage img(row.size(), QImage::Format_RGB32);
    img.fill(Qt::gray);
    row.render(&img);
    EXPECT_EQ(img.pixelColor(8, 8), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(24, 8), QColor(0, 0, 255));
    for (int x : {0, 16, 32})
        EXPECT_EQ(img.pixelColor(x, 8), QColor(0, 0, 0)) << x;
    EXPECT_EQ(img.pixelColor(8, 0), QColor(0, 0, 0));
    EXPECT_EQ(img.pixelColor(8, 16), QColor(0, 0, 0));
}

} // namespace
} // namespace scope
