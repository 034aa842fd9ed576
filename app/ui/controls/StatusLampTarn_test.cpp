#include "controls/StatusLampTarn.h"

#include "testkit/ui/QtTestKit.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPaintEvent>
#include <gtest/gtest.h>
#include <vector>

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

// Notes the colour of every paint.
class TPaintNotingLamp : public TStatusLampTarn {
public:
    std::vector<TColor> Painted;

protected:
    void paintEvent(QPaintEvent *event) override {
        Painted.push_back(BrushColor());
        TStatusLampTarn::paintEvent(event);
    }
};

TEST(StatusLamp, RepaintsAtMostOnceAFrameAndAlwaysShowsTheLastColour) {
    TestApp();
    TFrameClock clock;
    const int frameMs = int(clock.FrameNs() / 1'000'000);
    TPaintNotingLamp lamp;
    lamp.SetFramePacing(&clock);
    lamp.show();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !lamp.Painted.empty(); }, 2000));
    // A change long after the last repaint is painted at once.
    ProcessEventsUntil([] { return false; }, 3 * frameMs);
    lamp.Painted.clear();
    lamp.SetBrushColor(0x0000FF);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !lamp.Painted.empty(); }, 2000));
    EXPECT_EQ(lamp.Painted.back(), TColor(0x0000FF));
    // Changes right after a repaint wait for the frame, and the last of them is what is painted.
    lamp.SetBrushColor(0x00FFFF);
    lamp.SetBrushColor(0x00FF00);
    EXPECT_EQ(lamp.BrushColor(), TColor(0x00FF00)) << "the colour is taken at once";
    ASSERT_TRUE(ProcessEventsUntil([&] { return lamp.Painted.back() == 0x00FF00; }, 2000))
        << "the last colour never reached the screen";

    // A record's three colours over and over: no more repaints than frames.
    lamp.Painted.clear();
    QElapsedTimer elapsed;
    elapsed.start();
    const TColor cycle[] = {0x0000FF, 0x00FFFF, 0x00FF00};
    for (int k = 0; k < 300; ++k) {
        lamp.SetBrushColor(cycle[k % 3]);
        QCoreApplication::processEvents();
    }
    const qint64 frames = elapsed.elapsed() / frameMs + 2;
    EXPECT_LE(qint64(lamp.Painted.size()), frames);
    ASSERT_TRUE(ProcessEventsUntil(
        [&] { return !lamp.Painted.empty() && lamp.Painted.back() == cycle[299 % 3]; }, 2000));
}

} // namespace
} // namespace scope
