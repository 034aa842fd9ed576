#include "screens/TriggerPositionScreenTarn.h"

#include "bus/ObjMasterTarn.h"
#include "screens/XorRaster.h"
#include "settings/OptionsTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/BusRecorder.h"
#include "testkit/ui/QtTestKit.h"

#include <gtest/gtest.h>

namespace scope {
namespace {

// A strip 500 x 11 under a screen of 500 points at one sample a point: pixel x is sample x.
struct TStripRig {
    TTestAppFirst AppFirst;
    TObjMasterTarn Bus;
    TSettingsTarn Settings;
    TTriggerPositionScreenTarn Strip;
    TBusRecorder Recorder;

    TStripRig() {
        DefaultInstrument(Settings);
        Settings.BringWithinCapabilities(Settings.RequestedSettings());
        Settings.DisplayRatio = 1;
        SetBoolOption(Settings, opAllowTriggerDrag, true);
        SetBoolOption(Settings, opAutosetATMode, true);
        // Trigger at sample 100 in both copies.
        Trigger(100, 100);
        Strip.SetSettings(&Settings);
        Strip.SetObjMaster(&Bus);
        Recorder.SetObjMaster(&Bus);
        Bus.Broadcast(bmSettingsApplied, ssFinal, nullptr);
        Recorder.Clear();
    }
    void Trigger(int32_t requested, int32_t shown, int32_t m = 8192) {
        Settings.RequestedSettings().MemorySize = Settings.ShownSettings().MemorySize = m;
        Settings.RequestedSettings().AfterTrigger = m - requested;
        Settings.ShownSettings().AfterTrigger = m - shown;
    }
    QRgb Pixel(int x, int y) const { return Strip.Bitmap().pixel(x, y) & 0xFFFFFFu; }
    bool Any(uint32_t color) const {
        const QImage &image = Strip.Bitmap();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (Pixel(x, y) == ColorToPixelBits(color))
                    return true;
        return false;
    }
};

constexpr uint32_t Red = 0x0000FF, Magenta = 0xFF00FF, LightRed = 0xC0C0FF;

TEST(TriggerStrip, MarksTrianglesAndArrows) {
    const struct Case {
        const char *what;
        int32_t requested, shown;
        int32_t redX, redY;          // a pixel of the red mark
        int32_t markLeft, markRight; // the red mark's rectangle
        bool magenta;
        int32_t magentaX, magentaY;
    } cases[] = {
        {"equal: only the red mark", 100, 100, 100, 0, 89, 111, false, 0, 0},
        {"the data on screen elsewhere", 100, 300, 100, 0, 89, 111, true, 300, 0},
        {"left of the screen: an arrow", -50, 100, 1, 5, 1, 6, true, 100, 0},
        {"both left: red beside magenta", -50, -100, 7, 5, 7, 12, true, 1, 5},
        {"exactly at the width: a triangle", 500, 500, 499, 1, 489, 511, false, 0, 0},
        {"right of the screen: an arrow", 600, 600, 498, 5, 493, 498, false, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TStripRig rig;
        rig.Trigger(c.requested, c.shown);
        rig.Strip.RedrawMarks();
        EXPECT_EQ(rig.Pixel(c.redX, c.redY), ColorToPixelBits(Red));
        EXPECT_EQ(rig.Strip.MarkRect().left(), c.markLeft);
        EXPECT_EQ(rig.Strip.MarkRect().right(), c.markRight);
        EXPECT_EQ(rig.Any(Magenta), c.magenta);
        if (c.magenta) {
            EXPECT_EQ(rig.Pixel(c.magentaX, c.magentaY), ColorToPixelBits(Magenta));
        }
    }
}

TEST(TriggerStrip, TriangleWidensDownwards) {
    TStripRig rig;
    const QRgb red = ColorToPixelBits(Red),
               screen = ColorToPixelBits(rig.Settings.Options->GetColor(opColorScreen));
    EXPECT_EQ(rig.Pixel(100, 0), red);
    EXPECT_EQ(rig.Pixel(101, 0), screen);
    EXPECT_EQ(rig.Pixel(90, 10), red);
    EXPECT_EQ(rig.Pixel(89, 10), screen);
}

TEST(TriggerStrip, MappingIsSixtyFourBit) {
    TStripRig rig;
    rig.Strip.resize(563, 11);
    rig.Strip.Paint();
    rig.Settings.DisplayRatio = 0.125;
    // 8 000 000 points x 563 pixels overflows 32 bits.
    EXPECT_EQ(rig.Strip.TriggerStripX(1000000), 9008000);
    EXPECT_EQ(rig.Strip.TriggerStripX(-1000000), -9008000);
    rig.Settings.DisplayRatio = 1;
    EXPECT_EQ(rig.Strip.TriggerStripSample(563), 500);
}

TEST(TriggerStrip, OnlyADraggableMarkHighlightsAndDrags) {
    const struct Case {
        const char *what;
        bool allow, autoset;
        int32_t atMode;
        bool drags;
    } cases[] = {
        {"allowed, automatic after-trigger mode", true, true, 0, true},
        {"allowed, after-trigger mode 2", true, false, 2, true},
        {"allowed, other mode", true, false, 1, false},
        {"not allowed", false, true, 2, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TStripRig rig;
        SetBoolOption(rig.Settings, opAllowTriggerDrag, c.allow);
        SetBoolOption(rig.Settings, opAutosetATMode, c.autoset);
        rig.Settings.ATMode = c.atMode;
        rig.Strip.MouseMove(95, 5);
        EXPECT_EQ(rig.Strip.Hovered(), c.drags);
        EXPECT_EQ(rig.Pixel(100, 0), ColorToPixelBits(c.drags ? LightRed : Red));
        rig.Strip.MouseDown(95, 5);
        rig.Strip.MouseMove(200, 5);
        if (c.drags) {
            EXPECT_EQ(rig.Recorder.Log,
                      (std::vector<TBusRecorder::TEntry>{{bmPostTriggerDragged, 8192 - 200, nullptr}}));
        } else {
            EXPECT_TRUE(rig.Recorder.Log.empty());
        }
        EXPECT_EQ(rig.Settings.RequestedSettings().AfterTrigger, 8092) << "the strip changes no setting";
        rig.Strip.MouseUp(200, 5);
        EXPECT_FALSE(rig.Strip.Hovered());
        rig.Strip.MouseMove(100, 0);
        rig.Strip.MouseLeave();
        EXPECT_FALSE(rig.Strip.Hovered());
    }
}

// The pointer's sample lies in the slice and after the trigger delay: the count sent puts the red mark under
// the pointer, so a drag to the mark's own place sends the count already set.
TEST(TriggerStrip, DragToTheMarkItselfSendsTheCurrentCountWithTheQuickViewOn) {
    TStripRig rig;
    TSettingsTarn &s = rig.Settings;
    s.TimeBases = {{1e6, 1e6, 0, 0}};
    s.TriggerLatency = 20e-6; // 20 samples at 1 MS/s
    s.RequestedSettings().TimeBase = s.ShownSettings().TimeBase = 0;
    s.QuickViewOn = true;
    s.QuickViewStart = 100000;
    const int32_t m = 1048576;
    // Mark at pixel 250: M - AT + 20 - 100000 = 250.
    rig.Trigger(0, 0, m);
    s.RequestedSettings().AfterTrigger = m - 100000 - 250 + 20;
    rig.Strip.RedrawMarks();
    ASSERT_EQ(rig.Strip.RequestedX(), 250);
    rig.Strip.MouseDown(250, 3);
    rig.Strip.MouseMove(250, 3);
    ASSERT_EQ(rig.Recorder.Count(bmPostTriggerDragged), 1u);
    EXPECT_EQ(rig.Recorder.Log.back().Param, s.RequestedSettings().AfterTrigger);
    rig.Strip.MouseMove(260, 3);
    EXPECT_EQ(rig.Recorder.Log.back().Param, s.RequestedSettings().AfterTrigger - 10);
}

TEST(TriggerStrip, RedrawsWhenAMarkMoves) {
    TStripRig rig;
    rig.Trigger(300, 100);
    rig.Bus.Broadcast(bmPostTriggerChanged, 0, nullptr);
    EXPECT_EQ(rig.Strip.RequestedX(), 300);
    EXPECT_EQ(rig.Pixel(300, 0), ColorToPixelBits(Red));
    EXPECT_EQ(rig.Pixel(100, 0), ColorToPixelBits(Magenta));
    rig.Settings.DisplayStart = 50;
    rig.Bus.Broadcast(bmDisplayWindowChanged, 0, nullptr);
    EXPECT_EQ(rig.Strip.RequestedX(), 250);
    EXPECT_EQ(rig.Strip.ShownX(), 50);
}

} // namespace
} // namespace scope
