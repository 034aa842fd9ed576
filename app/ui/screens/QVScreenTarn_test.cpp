#include "screens/QVScreenTarn.h"

#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "screens/XorRaster.h"
#include "settings/OptionsTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/ui/PacingCases.h"
#include "testkit/ui/QtTestKit.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <vector>

namespace scope {
namespace {

// A strip 500 x 60 over a 1 M record with quick-view ratio 16, on a bus with a data source.
struct TQuickViewRig {
    TTestAppFirst AppFirst;
    TObjMasterTarn Bus;
    TSettingsTarn Settings;
    TDataSourceTarn Source;
    TQVScreenTarn Strip;
    std::vector<int32_t> Slices, Screens;
    uint32_t Screen = 0;

    TQuickViewRig() {
        DefaultInstrument(Settings);
        Settings.BringWithinCapabilities(Settings.RequestedSettings());
        Settings.ChannelsOn.assign(size_t(Settings.ChannelCount), true);
        Settings.ShownSettings().MemorySize = 1048576;
        Settings.ShownSettings().AfterTrigger = 524288;
        Settings.QuickViewOn = true;
        Settings.QuickViewRatio = 16;
        Settings.DisplayRatio = 1;
        Screen = Settings.Options->GetColor(opColorScreen);
        Source.SetSettings(&Settings);
        Source.SetObjMaster(&Bus);
        Strip.SetSettings(&Settings);
        Strip.SetDataSource(&Source);
        Strip.SetObjMaster(&Bus);
        Strip.OnSliceMove = [this](int32_t v) { Slices.push_back(v); };
        Strip.OnScreenMove = [this](int32_t v) { Screens.push_back(v); };
        Bus.Broadcast(bmInitialize, 0, nullptr);
    }
    QRgb Pixel(int x, int y) const { return Strip.Bitmap().pixel(x, y) & 0xFFFFFFu; }
    static QRgb Rgb(uint32_t color) { return ColorToPixelBits(color); }
};

TEST(QuickView, MappingIsSixtyFourBitAndLevelsSpanTheStrip) {
    TQuickViewRig rig;
    EXPECT_EQ(rig.Strip.QuickViewX(65536), 31) << "500 x 65536 div 1048576";
    EXPECT_EQ(rig.Strip.QuickViewX(1048576), 500);
    EXPECT_EQ(rig.Strip.QuickViewSample(50), 104858) << "104857.6 rounded";
    EXPECT_EQ(rig.Strip.QuickViewLevelY(0), 60);
    EXPECT_EQ(rig.Strip.QuickViewLevelY(255), 1);
    // A strip 5000 pixels wide: sample x width no longer fits 32 bits.
    rig.Strip.SetVisible(true);
    rig.Strip.resize(5000, 60);
    rig.Strip.Paint();
    EXPECT_EQ(rig.Strip.Bitmap().width(), 5000);
    EXPECT_EQ(rig.Strip.QuickViewX(1048576), 5000);
    EXPECT_EQ(rig.Strip.QuickViewX(1000000), 4768);
    EXPECT_EQ(rig.Strip.QuickViewSample(5000), 1048576);
}

TEST(QuickView, RedrawShowsTheSliceTheBandTheTraceAndTheTrigger) {
    TQuickViewRig rig;
    TSettingsTarn &s = rig.Settings;
    TChannelWave &w = rig.Source.QuickViewColumns(0);
    w.Columns.assign(500, TColumn{255, 0, 128, 0});
    w.Columns[400].Valid = 1;
    w.Valid = true;
    w.Colour = 0x00FF00;
    rig.Strip.RedrawQuickView();
    const QRgb background = TQuickViewRig::Rgb(rig.Screen), inverted = background ^ 0xFFFFFFu;
    // The slice: 31 pixels inverted over the full height.
    for (int x = 0; x < 40; ++x)
        EXPECT_EQ(rig.Pixel(x, 0), x < 31 ? inverted : background) << x;
    EXPECT_EQ(rig.Pixel(30, 59), inverted);
    // The one valid column from level 255 down to 0: rows 1 .. 59.
    EXPECT_EQ(rig.Pixel(400, 0), background);
    EXPECT_EQ(rig.Pixel(400, 1), TQuickViewRig::Rgb(0x00FF00));
    EXPECT_EQ(rig.Pixel(400, 50), TQuickViewRig::Rgb(0x00FF00));
    EXPECT_EQ(rig.Pixel(401, 30), background);
    // The red triangle, 60 div 8 = 7 high, apex over sample 524288 (x 250).
    const QRgb red = TQuickViewRig::Rgb(0x0000FF);
    EXPECT_EQ(rig.Pixel(250, 53), red);
    EXPECT_EQ(rig.Pixel(250, 52), background);
    EXPECT_EQ(rig.Pixel(244, 59), red);
    EXPECT_EQ(rig.Pixel(244, 58), background);
    EXPECT_EQ(rig.Pixel(243, 59), background);

    // The zoom band: yellow by exclusive-or over the window's pixels, inside the inverted slice.
    s.ZoomOn = true;
    s.DisplayStart = 20972; // x 10
    rig.Strip.RedrawQuickView();
    EXPECT_EQ(rig.Pixel(9, 20), inverted);
    EXPECT_EQ(rig.Pixel(10, 20), inverted ^ TQuickViewRig::Rgb(0x00FFFF));
    EXPECT_EQ(rig.Pixel(11, 20), inverted) << "500 samples are a quarter pixel: the band is one pixel";

    // No record: the fill only.
    s.ShownSettings().MemorySize = 0;
    w.Valid = false;
    rig.Strip.RedrawQuickView();
    const QImage &image = rig.Strip.Bitmap();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(rig.Pixel(x, y), background) << x << "," << y;
}

TEST(QuickView, PacedRecordsAreDrawnOnceAFrameAndTheLatestAlwaysReachesTheStrip) {
    // Record k has one valid column, at its own x.
    const int xs[] = {0, 400, 300, 350, 200};
    const QRgb green = TQuickViewRig::Rgb(0x00FF00);
    for (const TPacingCase &c : PacingCases()) {
        SCOPED_TRACE(c.What);
        TQuickViewRig rig;
        TChannelWave &w = rig.Source.QuickViewColumns(0);
        w.Columns.assign(500, TColumn{255, 0, 128, 0});
        w.Valid = true;
        w.Colour = 0x00FF00;
        const TPacedControl control{[&](TFrameClock *clock) { rig.Strip.SetFramePacing(clock); },
                                    [&](int k) {
                                        for (TColumn &col : w.Columns)
                                            col.Valid = 0;
                                        w.Columns[size_t(xs[k])].Valid = 1;
                                        rig.Bus.Broadcast(bmQuickViewDataReady, 1, nullptr);
                                    },
                                    [&] {
                                        int shown = 0;
                                        for (int k = 1; k < 5; ++k)
                                            if (rig.Pixel(xs[k], 1) == green)
                                                shown = shown ? -1 : k; // -1: more than one
                                        return shown;
                                    },
                                    {}};
        EXPECT_EQ(RunPacing(c, control), "");
    }
}

TEST(QuickView, PressesPickTheBandOrTheSlice) {
    const struct Case {
        const char *what;
        bool zoomOn;
        int32_t quickViewStart, displayStart, quickViewRatio;
        int x;
        int32_t state;
    } cases[] = {
        {"3 pixels left of the band", true, 200000, 0, 16, 92, 2},
        {"4 pixels left of the band, outside the slice", true, 200000, 0, 16, 91, 0},
        {"4 pixels left of the band, inside the slice", true, 0, 20972, 16, 6, 1},
        {"band ends 3 pixels right of its last pixel", true, 0, 20972, 16, 12, 2},
        {"the slice without zoom", false, 0, 20972, 16, 10, 1},
        {"right of the slice", false, 0, 0, 16, 31, 0},
        {"no slice sized yet", false, 0, 0, 0, 10, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TQuickViewRig rig;
        rig.Settings.ZoomOn = c.zoomOn;
        rig.Settings.QuickViewStart = c.quickViewStart;
        rig.Settings.DisplayStart = c.displayStart;
        rig.Settings.QuickViewRatio = c.quickViewRatio;
        rig.Strip.MouseDown(c.x);
        EXPECT_EQ(rig.Strip.DragState(), c.state);
        rig.Strip.MouseUp();
        EXPECT_EQ(rig.Strip.DragState(), 0);
    }
}

TEST(QuickView, DragsReportTheNewStartsKeepingTheGrabOffset) {
    TQuickViewRig rig;
    TSettingsTarn &s = rig.Settings;
    s.QuickViewStart = 0;
    rig.Strip.MouseDown(6); // the slice starts at 0: grabbed 6 pixels into it
    rig.Strip.MouseMove(56);
    EXPECT_EQ(rig.Slices, (std::vector<int32_t>{104858}));
    rig.Strip.MouseUp();
    rig.Strip.MouseMove(80);
    EXPECT_EQ(rig.Slices.size(), 1u) << "no drag after the release";

    s.ZoomOn = true;
    s.QuickViewStart = 200000;
    s.DisplayStart = 0;
    rig.Strip.MouseDown(93); // the band starts at x 95
    rig.Strip.MouseMove(98);
    EXPECT_EQ(rig.Screens, (std::vector<int32_t>{rig.Strip.QuickViewSample(100) - 200000}));
}

TEST(QuickView, HiddenStripPaintsNothingAndVisibilityIsAnnounced) {
    TQuickViewRig rig;
    int announced = 0;
    rig.Strip.OnVisibilityOnOff = [&] { ++announced; };
    rig.Strip.resize(300, 40);
    rig.Strip.Paint();
    EXPECT_EQ(rig.Strip.Bitmap().size(), QSize(500, 60)) << "hidden: not even resized";
    rig.Strip.SetVisible(true);
    rig.Strip.SetVisible(true);
    EXPECT_EQ(announced, 1);
    rig.Strip.Paint();
    EXPECT_EQ(rig.Strip.Bitmap().size(), QSize(300, 40));
    rig.Strip.SetVisible(false);
    EXPECT_EQ(announced, 2);
    rig.Bus.Broadcast(bmSettingsApplied, ssQuickViewVisibility, nullptr);
    EXPECT_EQ(announced, 3);
    int32_t width = 0;
    rig.Bus.Broadcast(bmQueryQuickViewWidth, 0, &width);
    EXPECT_EQ(width, 300);
}

TEST(QuickView, PrintsOnlyWhileOnAndRestoresTheStrip) {
    TQuickViewRig rig;
    rig.Strip.RedrawQuickView();
    const QImage before = rig.Strip.Bitmap().copy();
    QImage paper(100, 20, QImage::Format_RGB32);
    paper.fill(Qt::gray);
    const QImage blank = paper.copy();
    rig.Settings.QuickViewOn = false;
    {
        QPainter p(&paper);
        rig.Strip.RenderForPrinter(p, 100, 20);
    }
    EXPECT_EQ(paper, blank);
    rig.Settings.QuickViewOn = true;
    {
        QPainter p(&paper);
        rig.Strip.RenderForPrinter(p, 100, 20);
    }
    EXPECT_NE(paper, blank);
    // Paper is white, without the inverted slice.
    EXPECT_EQ(paper.pixel(1, 1) & 0xFFFFFFu, 0xFFFFFFu);
    EXPECT_EQ(rig.Strip.Bitmap(), before);
}

} // namespace
} // namespace scope
