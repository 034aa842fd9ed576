#include "controls/StatusLampTarn.h"

#include "testkit/ui/QtTestKit.h"

#include <QImage>
#include <gtest/gtest.h>

namespace scope {
namespace {

TEST(StatusLamp, PaintsACircleInItsColourInsideADarkOutline) {
    TestApp();
    TStatusLampTarn lamp;
    lamp.resize(14, 14);
    const struct {
        TColor Colour;
        QColor Shown;
    } colours[] = {{0x00FF00, QColor(0, 255, 0)},
                   {0x0000FF, QColor(255, 0, 0)},
                   {0x00FFFF, QColor(255, 255, 0)},
                   {0x808080, QColor(128, 128, 128)}};
    for (const auto &c : colours) {
        SCOPED_TRACE(c.Colour);
        lamp.SetBrushColor(c.Colour);
        EXPECT_EQ(lamp.BrushColor(), c.Colour);
        const QImage image = lamp.grab().toImage();
        EXPECT_EQ(image.pixelColor(7, 7), c.Shown);
        EXPECT_NE(image.pixelColor(0, 0), c.Shown) << "a circle leaves the corners";
        EXPECT_NE(image.pixelColor(7, 0), c.Shown) << "the outline";
    }
}

} // namespace
} // namespace scope
