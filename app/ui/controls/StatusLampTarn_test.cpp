#include "controls/StatusLampTarn.h"

#include "testkit/ui/PacingCases.h"
#include "testkit/ui/QtTestKit.h"
#include "testkit/ui/SteppedFrameTime.h"

#include <QCoreApplication>
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

// Delivers the repaints the lamp has asked for.
void Repaint() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

TEST(StatusLamp, RepaintsAtMostOnceAFrameAndAlwaysShowsTheLastColour) {
    TestApp();
    const TColor colours[] = {0, 0x0000FF, 0x00FFFF, 0x00FF00, 0x808080};
    for (const TPacingCase &c : PacingCases()) {
        SCOPED_TRACE(c.What);
        TPaintNotingLamp lamp;
        lamp.show();
        ASSERT_TRUE(ProcessEventsUntil([&] { return !lamp.Painted.empty(); }, 10000));
        const TPacedControl control{[&](TFrameClock *clock) { lamp.SetFramePacing(clock); },
                                    [&](int k) {
                                        lamp.SetBrushColor(colours[k]);
                                        EXPECT_EQ(lamp.BrushColor(), colours[k]) << "taken at once";
                                    },
                                    [&] {
                                        Repaint();
                                        for (int k = 1; k < 5; ++k)
                                            if (lamp.Painted.back() == colours[k])
                                                return k;
                                        return 0;
                                    },
                                    {}};
        EXPECT_EQ(RunPacing(c, control), "");
    }

    // A record's three colours over and over, three a frame: no more repaints than frames.
    TSteppedFrameTime time;
    TFrameClock clock(time);
    TPaintNotingLamp lamp;
    lamp.SetFramePacing(&clock);
    lamp.show();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !lamp.Painted.empty(); }, 10000));
    lamp.Painted.clear();
    const TColor cycle[] = {0x0000FF, 0x00FFFF, 0x00FF00};
    for (int k = 0; k < 300; ++k) {
        time.Step(clock.FrameNs() / 3);
        lamp.SetBrushColor(cycle[k % 3]);
        Repaint();
    }
    time.Step(clock.FrameNs());
    Repaint();
    EXPECT_LE(lamp.Painted.size(), size_t(time.NowNs() / clock.FrameNs() + 1));
    ASSERT_FALSE(lamp.Painted.empty());
    EXPECT_EQ(lamp.Painted.back(), cycle[299 % 3]);
}

} // namespace
} // namespace scope
