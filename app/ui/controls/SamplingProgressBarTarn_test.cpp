#include "controls/SamplingProgressBarTarn.h"

#include "testkit/ui/QtTestKit.h"

#include <gtest/gtest.h>

namespace scope {

namespace {

TEST(SamplingProgressBarTarn, FillsFromTheBottomInThreeColoursAndIsFullOnlyAt100) {
    TestApp();
    const QColor green(0, 255, 0), yellow(0xA0, 0xA0, 0), red(255, 0, 0), white(255, 255, 255);
    struct Case {
        int32_t Progress;
        int Filled;
        QColor Colour;
    };
    for (Case c :
         {Case{99, 9, green}, Case{95, 9, green}, Case{94, 9, yellow}, Case{50, 5, yellow}, Case{49, 5, red},
          Case{100, 10, green}, Case{150, 10, green}, Case{0, 0, red}, Case{-20, 0, red}, Case{1, 1, red}}) {
        SCOPED_TRACE(c.Progress);
        TSamplingProgressBarTarn bar;
        bar.resize(6, 12);
        bar.SetProgress(c.Progress);
        EXPECT_EQ(bar.Progress(), c.Progress); // kept as given
        const QImage img = bar.grab().toImage();
        EXPECT_EQ(img.pixelColor(0, 0), QColor(Qt::black));
        EXPECT_EQ(img.pixelColor(5, 11), QColor(Qt::black));
        int filled = 0;
        for (int y = 1; y <= 10; ++y) {
            const QColor px = img.pixelColor(3, y);
            if (px == white) {
                EXPECT_EQ(filled, 0) << "white below the fill at row " << y;
                continue;
            }
            EXPECT_EQ(px, c.Colour) << "row " << y;
            ++filled;
        }
        EXPECT_EQ(filled, c.Filled);
    }
}

} // namespace

} // namespace scope
