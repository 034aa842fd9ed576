#include "screens/ScopeScreenTarn.h"

#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "settings/ExportOptionsTarn.h"
#include "settings/OptionsTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/ui/QtTestKit.h"

#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <sstream>

namespace scope {

namespace {

void SetBool(TSettingsTarn &s, int32_t id, bool value) {
    static_cast<TBooleanOption *>(s.Options->GetOption(id))->Value = value;
}

// The screen wired to a bus, the settings and a data source, as on the main form.
struct TScreenRig {
    struct TAppFirst {
        TAppFirst() { TestApp(); }
    } AppFirst;
    TObjMasterTarn Bus;
    TSettingsTarn Settings;
    TDataSourceTarn Source;
    TScopeScreenTarn Screen;
    std::vector<int32_t> Seen; // bus messages other than the rig's own

    explicit TScreenRig(int points = 500, int levels = 256) {
        TestApp();
        Settings.SetDefaultCapabilities();
        Settings.PointsOnScreen = points;
        Settings.LevelCount = levels;
        Settings.TimeBases = {{1e6, 1e6, 0, 0}, {1e8, 1e8, 0, 1}};
        Settings.Ranges = {{0.1, 0}, {1.0, 1}};
        Settings.Options = std::make_unique<TOptions>(&Settings);
        Settings.BringWithinCapabilities(Settings.RequestedSettings());
        Settings.StartAcquisitionSettings();
        Settings.ShowAcquisitionSettings();
        Settings.DisplayRatio = 1;
        Settings.ChannelsOn.assign(size_t(Settings.ChannelCount), true);
        Source.SetSettings(&Settings);
        Source.SetObjMaster(&Bus);
        Screen.SetSettings(&Settings);
        Screen.SetDataSource(&Source);
        Screen.SetObjMaster(&Bus);
        Bus.Broadcast(bmInitialize, 0, nullptr);
    }
    void Apply() { BroadcastSettingsApplied(Bus); }
    // New columns for channel c, as the data source hands them over.
    void NewData(int32_t c, const TChannelWave &wave) {
        Source.ScreenColumns(c) = wave;
        Bus.Broadcast(bmScreenDataReady, 1 << c, nullptr);
    }
};

TChannelWave Sine(int columns, double phase, int amplitude, int ppc = 1, int first = 0, int last = -2) {
    TChannelWave w;
    w.Columns.resize(size_t(columns));
    for (int j = 0; j < columns; ++j) {
        const double v = 128 + amplitude * std::sin(j * 0.07 + phase);
        const int lo = std::clamp(int(v) - 6, 0, 255), hi = std::clamp(int(v) + 6, 0, 255);
        w.Columns[size_t(j)] = {uint8_t(hi), uint8_t(lo), uint8_t((hi + lo) / 2), 1};
    }
    w.FirstColumn = first;
    w.LastColumn = last == -2 ? columns - 1 : last;
    w.Valid = true;
    w.PointsPerSample = ppc;
    return w;
}

// Empty when the two images are equal, else where they first differ.
std::string Difference(const QImage &a, const QImage &b) {
    if (a.size() != b.size())
        return "sizes differ";
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                std::ostringstream s;
                s << "first difference at " << x << "," << y << ": " << std::hex << a.pixel(x, y) << " vs "
                  << b.pixel(x, y);
                return s.str();
            }
    return "";
}

// The incremental drawing must leave exactly what a full redraw of the same state gives.
std::string DiffersFromRedraw(TScopeScreenTarn &screen) {
    const QImage incremental = screen.Bitmap().copy();
    screen.RedrawAll();
    return Difference(incremental, screen.Bitmap());
}

TEST(ScopeScreen, IncrementalUpdatesEqualAFullRedraw) {
    for (int32_t mode : {0, 1, 2, 3}) {
        SCOPED_TRACE(mode);
        TScreenRig rig;
        TSettingsTarn &s = rig.Settings;
        s.VerCursorsOn = s.HorCursorsOn = s.GridOn = true;
        s.GridIntensity = 0.6;
        s.DisplayMode = mode;
        s.RequestedSettings().TriggerSourceOn[0][0] = true;
        s.RequestedSettings().TriggerSourceOn[1][1] = true;
        s.RequestedSettings().TriggerLevel = {140, 90, 128};
        SetBool(s, opOptimizeForAero, false);
        rig.Apply();
        ASSERT_EQ(DiffersFromRedraw(rig.Screen), "");

        const struct Step {
            const char *what;
            std::function<void()> act;
        } steps[] = {
            {"first record of A", [&] { rig.NewData(0, Sine(500, 0, 60)); }},
            {"first record of B", [&] { rig.NewData(1, Sine(500, 1, 90)); }},
            {"next record of A, shorter", [&] { rig.NewData(0, Sine(500, 0.5, 100, 1, 20, 400)); }},
            {"zoomed-in record of B", [&] { rig.NewData(1, Sine(125, 2, 40, 4)); }},
            {"vertical cursor moved",
             [&] {
                 int32_t p = 300;
                 rig.Bus.Broadcast(bmSetVerCursor, 1, &p);
             }},
            {"horizontal cursor moved",
             [&] {
                 int32_t p = 10;
                 rig.Bus.Broadcast(bmSetHorCursor, 0, &p);
             }},
            {"level mark moved",
             [&] {
                 int32_t l = 200;
                 rig.Bus.Broadcast(bmSetTriggerLevel, 0, &l);
             }},
            {"trigger source switched off",
             [&] {
                 s.RequestedSettings().TriggerSourceOn[1][1] = false;
                 rig.Bus.Broadcast(bmTriggerSourceToggled, 1 + 256, nullptr);
             }},
            {"zoom marks shown",
             [&] {
                 s.ZoomStart = 100;
                 s.ZoomRatio = 0.3;
                 rig.Bus.Broadcast(bmZoomMarksShow, 0, nullptr);
             }},
            {"zoom marks moved",
             [&] {
                 s.ZoomStart = 130;
                 rig.Bus.Broadcast(bmZoomMarksShow, 0, nullptr);
             }},
            {"hover on a cursor",
             [&] {
                 rig.Screen.SetHoverObject({soVerCursor, 1});
             }},
            {"hover on to the crossing",
             [&] {
                 rig.Screen.SetHoverObject({soCrossing, 0 + 256 * 1});
             }},
            {"hover on a trace",
             [&] {
                 rig.Screen.SetHoverObject({soTrace, 0});
             }},
            {"new data under the hovered trace", [&] { rig.NewData(0, Sine(500, 1.5, 70)); }},
            {"hover on a level mark",
             [&] {
                 rig.Screen.SetHoverObject({soLevelMark, 0});
             }},
            {"level mark moved while hovered",
             [&] {
                 int32_t l = 30;
                 rig.Bus.Broadcast(bmSetTriggerLevel, 0, &l);
             }},
            {"hover off",
             [&] {
                 rig.Screen.SetHoverObject({soNone, 0});
             }},
            {"zoom marks hidden", [&] { rig.Bus.Broadcast(bmZoomMarksHide, 0, nullptr); }},
            {"channel switched off",
             [&] {
                 TChannelWave off = rig.Source.ScreenColumns(1);
                 off.Valid = false;
                 rig.NewData(1, off);
             }},
        };
        for (const auto &step : steps) {
            const QImage before = rig.Screen.Bitmap().copy();
            step.act();
            EXPECT_EQ(DiffersFromRedraw(rig.Screen), "") << step.what;
        }
    }
}

// A tiny screen: 5 points on 10 pixels (x = 2 p), 8 levels on 8 rows (y = 7 - v).
std::string Picture(const QImage &image) {
    std::string out;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            out += image.pixel(x, y) == qRgb(0, 0, 0) ? '.' : '#';
        out += '\n';
    }
    return out;
}

TEST(ScopeScreen, DisplayModesDrawTheirSegments) {
    TChannelWave fixture;
    fixture.Columns = {{0, 0, 0, 0}, {5, 3, 4, 1}, {6, 2, 4, 1}, {4, 4, 4, 1}, {0, 0, 0, 0}};
    fixture.FirstColumn = 1;
    fixture.LastColumn = 3;
    fixture.Valid = true;
    TChannelWave single = fixture;
    single.FirstColumn = single.LastColumn = 2;
    TChannelWave none = fixture;
    none.FirstColumn = 3;
    none.LastColumn = 2;
    const struct {
        const char *what;
        int32_t mode;
        TChannelWave wave;
        const char *picture;
    } cases[] = {
        {"minimums", 0, fixture,
         "..........\n..........\n..........\n..........\n..##.#....\n....#.....\n..........\n..........\n"},
        {"maximums", 1, fixture,
         "..........\n....#.....\n..##.#....\n..........\n..........\n..........\n..........\n..........\n"},
        {"averages", 2, fixture,
         "..........\n..........\n..........\n..####....\n..........\n..........\n..........\n..........\n"},
        {"unknown mode draws averages", 7, fixture,
         "..........\n..........\n..........\n..####....\n..........\n..........\n..........\n..........\n"},
        {"envelope", 3, fixture,
         "..........\n....##....\n..####....\n..######..\n..####....\n....##....\n..........\n..........\n"},
        {"one column: no line", 0, single,
         "..........\n..........\n..........\n..........\n..........\n..........\n..........\n..........\n"},
        {"one column: one bar", 3, single,
         "..........\n....##....\n....##....\n....##....\n....##....\n....##....\n..........\n..........\n"},
        {"last below first: nothing", 3, none,
         "..........\n..........\n..........\n..........\n..........\n..........\n..........\n..........\n"},
    };
    for (const auto &c : cases) {
        TScreenRig rig(5, 8);
        rig.Screen.resize(10, 8);
        QPixmap unused(1, 1);
        rig.Screen.render(&unused); // paints once: the bitmap takes the control's size
        rig.Settings.DisplayMode = c.mode;
        rig.Apply();
        rig.NewData(0, c.wave);
        EXPECT_EQ(Picture(rig.Screen.Bitmap()), c.picture) << c.what;
    }
}

TEST(ScopeScreen, OutOfRangeCursorAndLevelMessagesAreIgnoredAndPositionsClamped) {
    TScreenRig rig;
    TSettingsTarn &s = rig.Settings;
    s.VerCursorsOn = s.HorCursorsOn = true;
    s.RequestedSettings().TriggerSourceOn[0][0] = true;
    SetBool(s, opOptimizeForAero, false);
    rig.Apply();
    const auto positions = s.CursorPositions;
    const auto levels = s.RequestedSettings().TriggerLevel;
    const QImage before = rig.Screen.Bitmap().copy();
    int32_t p = 100;
    rig.Bus.Broadcast(bmSetVerCursor, 2, &p);
    rig.Bus.Broadcast(bmSetHorCursor, -1, &p);
    rig.Bus.Broadcast(bmSetTriggerLevel, 2, &p); // the external source has no mark on this screen
    rig.Bus.Broadcast(bmSetTriggerLevel, 7, &p);
    rig.Bus.Broadcast(bmSetVerCursor, 0, nullptr);
    EXPECT_EQ(s.CursorPositions, positions);
    EXPECT_EQ(s.RequestedSettings().TriggerLevel, levels);
    EXPECT_EQ(Difference(before, rig.Screen.Bitmap()), "");

    int32_t far = 100000, below = -50;
    rig.Bus.Broadcast(bmSetVerCursor, 1, &far);
    rig.Bus.Broadcast(bmSetHorCursor, 0, &below);
    rig.Bus.Broadcast(bmSetTriggerLevel, 0, &far);
    EXPECT_EQ(s.GetVerCursorPos(1), 499);
    EXPECT_EQ(s.GetHorCursorPos(0), 0);
    EXPECT_EQ(s.RequestedSettings().TriggerLevel[0], 255);
    EXPECT_EQ(DiffersFromRedraw(rig.Screen), "");
}

TEST(ScopeScreen, InitializePlacesTheCursorsAndSizesTheTraces) {
    TScreenRig rig;
    EXPECT_EQ(rig.Settings.CursorPositions, (std::array<int32_t, 4>{75, 425, 38, 218}));
    ASSERT_EQ(rig.Screen.Traces().size(), size_t(rig.Settings.ChannelCount));
    for (const auto &t : rig.Screen.Traces()) {
        EXPECT_EQ(t.Wave.Columns.size(), 500u);
        EXPECT_FALSE(t.Wave.Valid);
    }
}

TEST(ScopeScreen, InformationAndCursorTexts) {
    TScreenRig rig;
    TSettingsTarn &s = rig.Settings;
    SetBool(s, opDispInformation, true);
    s.VerCursorsOn = true;
    s.RequestedSettings().TimeBase = 0; // 1 MS/s: 50 points per division at 1 sample per point
    s.ShownSettings().TimeBase = 0;
    s.ShownSettings().Range = {0, 1};
    s.ShownSettings().ProbeMode = {1, 0};
    rig.Apply();
    EXPECT_EQ(rig.Screen.InformationTexts()[0], "Tb = " + FormatTime(50e-6) + "s/d");
    EXPECT_EQ(rig.Screen.InformationTexts()[1], "RngA = " + FormatVoltage(1.0) + "V/d");
    EXPECT_EQ(rig.Screen.InformationTexts()[2], "RngB = " + FormatVoltage(1.0) + "V/d");
    EXPECT_EQ(rig.Screen.CursorInformation(), FormatTime(350e-6) + "s, " + FormatFrequency(1e6 / 350) + "Hz");
    int32_t p = 75;
    rig.Bus.Broadcast(bmSetVerCursor, 1, &p);
    rig.NewData(0, Sine(500, 0, 50)); // the changed cursor text makes this a full redraw
    EXPECT_EQ(rig.Screen.CursorInformation(), FormatTime(0) + "s");
    EXPECT_EQ(DiffersFromRedraw(rig.Screen), "");
}

TEST(ScopeScreen, ImageExportLeavesTheScreenAsItWasAndDrawsNoHighlight) {
    TScreenRig rig;
    TSettingsTarn &s = rig.Settings;
    s.VerCursorsOn = true;
    SetBool(s, opOptimizeForAero, false);
    rig.Apply();
    rig.NewData(0, Sine(500, 0, 60));
    rig.Screen.SetHoverObject({soTrace, 0});
    rig.Screen.SetHoverObject({soTrace, 0});
    const QImage before = rig.Screen.Bitmap().copy();
    const uint32_t hoveredPen = rig.Screen.Traces()[0].Pen;

    TScreenImageLook look; // the screen's own colours, traces only
    look.Grid = false;
    QImage exported;
    rig.Screen.RenderToBitmap(look, exported);
    EXPECT_EQ(Difference(before, rig.Screen.Bitmap()), "");
    EXPECT_EQ(rig.Screen.Traces()[0].Pen, hoveredPen);
    EXPECT_EQ(rig.Screen.HoverObject(), (TScreenObject{soTrace, 0}));
    EXPECT_EQ(DiffersFromRedraw(rig.Screen), "");
    // The exported trace shows the plain channel colour (green), not the highlighted one.
    const QRgb green = qRgb(0, 255, 0);
    int greenPixels = 0, otherPixels = 0;
    for (int y = 0; y < exported.height(); ++y)
        for (int x = 0; x < exported.width(); ++x) {
            const QRgb px = exported.pixel(x, y);
            if (px == green)
                ++greenPixels;
            else if (px != qRgb(0, 0, 0))
                ++otherPixels;
        }
    EXPECT_GT(greenPixels, 0);
    EXPECT_EQ(otherPixels, 0);

    // A preset with colours of its own: red traces on white; the screen keeps its options' colours.
    TExportAsImageOption preset;
    preset.OverrideColors = false;
    preset.ScreenColor = 0xFFFFFF;
    preset.ChannelColors.Colors = {0x0000FF, 0x0000FF};
    preset.GridOn = false;
    rig.Screen.RenderToBitmap(preset, exported);
    int red = 0, others = 0;
    for (int y = 0; y < exported.height(); ++y)
        for (int x = 0; x < exported.width(); ++x) {
            const QRgb px = exported.pixel(x, y);
            red += px == qRgb(255, 0, 0);
            others += px != qRgb(255, 0, 0) && px != qRgb(255, 255, 255);
        }
    EXPECT_GT(red, 0);
    EXPECT_EQ(others, 0);
    EXPECT_EQ(Difference(before, rig.Screen.Bitmap()), "");
    EXPECT_EQ(DiffersFromRedraw(rig.Screen), "");
}

TEST(ScopeScreen, PrintingDrawsOnPaperAndRestoresTheScreen) {
    TScreenRig rig;
    TSettingsTarn &s = rig.Settings;
    s.VerCursorsOn = s.GridOn = true;
    s.GridIntensity = 1;
    rig.Apply();
    rig.NewData(0, Sine(500, 0, 60));
    const QImage before = rig.Screen.Bitmap().copy();
    for (bool blackWhite : {true, false}) {
        SetBool(s, opPrintBlackWhite, blackWhite);
        QImage page(600, 400, QImage::Format_RGB32);
        page.fill(Qt::gray);
        {
            QPainter p(&page);
            rig.Screen.RenderForPrinter(p, 600, 400);
        }
        EXPECT_EQ(Difference(before, rig.Screen.Bitmap()), "");
        EXPECT_EQ(rig.Screen.RenderMode(), 0);
        // Paper is white; black and white prints the trace black, colour prints it green; no cursors.
        EXPECT_EQ(page.pixel(1, 1), qRgb(255, 255, 255));
        const int x = rig.Screen.PointToX(75);
        EXPECT_EQ(page.pixel(x, 5), qRgb(255, 255, 255)) << "a cursor was printed";
        const QRgb trace = blackWhite ? qRgb(0, 0, 0) : qRgb(0, 255, 0);
        bool found = false;
        for (int y = 0; y < 400 && !found; ++y)
            found = page.pixel(rig.Screen.PointToX(10), y) == trace;
        EXPECT_TRUE(found) << blackWhite;
    }
}

} // namespace

} // namespace scope
