#include "screens/ScopeScreenTarn.h"

#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "settings/ExportOptionsTarn.h"
#include "settings/OptionsTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/BusRecorder.h"
#include "testkit/TestSettings.h"
#include "testkit/ui/PacingCases.h"
#include "testkit/ui/QtTestKit.h"
#include "testkit/ui/SteppedFrameTime.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>
#include <cmath>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>

namespace scope {

namespace {

// The screen wired to a bus, the settings and a data source, as on the main form.
struct TScreenRig {
    TTestAppFirst AppFirst;
    TObjMasterTarn Bus;
    TSettingsTarn Settings;
    TDataSourceTarn Source;
    TScopeScreenTarn Screen;

    explicit TScreenRig(int points = 500, int levels = 256) {
        TestApp();
        ScreenInstrument(Settings, points, levels);
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
        SetBoolOption(s, opOptimizeForAero, false);
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

bool SameColumns(const TChannelWave &a, const TChannelWave &b) {
    if (a.Columns.size() != b.Columns.size() || a.FirstColumn != b.FirstColumn ||
        a.LastColumn != b.LastColumn)
        return false;
    for (size_t j = 0; j < a.Columns.size(); ++j)
        if (std::memcmp(&a.Columns[j], &b.Columns[j], sizeof(TColumn)) != 0)
            return false;
    return true;
}

TEST(ScopeScreen, PacedDataIsDrawnOncePerFrameWithTheLastRecordAndImmediateCursors) {
    const TChannelWave waves[] = {{}, Sine(500, 0, 60), Sine(500, 1, 80), Sine(500, 2, 40), Sine(500, 3, 30)};
    std::vector<TPacingCase> cases = PacingCases();
    constexpr int64_t F = PacingFrameNs;
    cases.push_back({"a cursor move does not wait, and the record waits on",
                     {{0, 1, 1}, {F / 4, 2, 1}, {F / 2, TPacingStep::Cursor, 1}, {F, 0, 2}}});
    for (const TPacingCase &c : cases) {
        SCOPED_TRACE(c.What);
        TScreenRig rig;
        rig.Settings.VerCursorsOn = true;
        SetBoolOption(rig.Settings, opOptimizeForAero, false);
        rig.Apply();
        int32_t cursor = 300;
        const TPacedControl control{[&](TFrameClock *clock) { rig.Screen.SetFramePacing(clock); },
                                    [&](int k) { rig.NewData(0, waves[k]); },
                                    [&] {
                                        for (int k = 1; k < 5; ++k)
                                            if (SameColumns(rig.Screen.Traces()[0].Wave, waves[k]))
                                                return k;
                                        return 0;
                                    },
                                    [&] {
                                        const QImage before = rig.Screen.Bitmap().copy();
                                        cursor += 21;
                                        rig.Bus.Broadcast(bmSetVerCursor, 0, &cursor);
                                        if (Difference(before, rig.Screen.Bitmap()).empty())
                                            return std::string("did not move");
                                        return DiffersFromRedraw(rig.Screen);
                                    }};
        EXPECT_EQ(RunPacing(c, control), "");
        EXPECT_FALSE(rig.Screen.DataPending());
        EXPECT_EQ(DiffersFromRedraw(rig.Screen), "");
    }

    // An export in between draws the latest record first.
    TScreenRig rig;
    TSteppedFrameTime time;
    TFrameClock clock(time);
    rig.Screen.SetFramePacing(&clock);
    rig.NewData(0, waves[1]);
    EXPECT_FALSE(rig.Screen.DataPending());
    rig.NewData(0, waves[3]);
    ASSERT_TRUE(rig.Screen.DataPending());
    QImage image;
    rig.Screen.RenderToBitmap(TScreenImageLook{}, image);
    EXPECT_FALSE(rig.Screen.DataPending());
    EXPECT_TRUE(SameColumns(rig.Screen.Traces()[0].Wave, waves[3]));
    rig.Screen.SetFramePacing(nullptr);
}

TEST(ScopeScreen, RepaintAsksOnlyForWhatWasDrawn) {
    // With the intermediate-bitmap option too: new data is drawn into the bitmap either way, and its
    // exclusive-or update leaves there what a full redraw would.
    for (bool aero : {false, true}) {
        SCOPED_TRACE(aero);
        TScreenRig rig;
        rig.Settings.VerCursorsOn = true;
        SetBoolOption(rig.Settings, opOptimizeForAero, aero);
        rig.Apply();
        EXPECT_EQ(rig.Screen.LastRepaintRegion(), QRegion(rig.Screen.Bitmap().rect())); // the full redraw
        // A trace of small amplitude around mid-screen: its rows, not the top or the bottom.
        rig.NewData(0, Sine(500, 0, 20));
        rig.NewData(0, Sine(500, 1, 20));
        const QRegion trace = rig.Screen.LastRepaintRegion();
        EXPECT_FALSE(trace.isEmpty());
        EXPECT_FALSE(trace.intersects(QRect(0, 0, 600, 150)));
        EXPECT_FALSE(trace.intersects(QRect(0, 250, 600, 150)));
        EXPECT_TRUE(
            trace.contains(QPoint(rig.Screen.PointToX(250), rig.Screen.LevelToY(128 + 20 * std::sin(17.5)))));
        EXPECT_EQ(DiffersFromRedraw(rig.Screen), "");
    }
    TScreenRig rig;
    rig.Settings.VerCursorsOn = true;
    SetBoolOption(rig.Settings, opOptimizeForAero, false);
    rig.Apply();
    rig.NewData(0, Sine(500, 0, 20));
    // A cursor move: the strips of its old and new column.
    int32_t p = 100;
    rig.Bus.Broadcast(bmSetVerCursor, 0, &p);
    const QRect cursor = rig.Screen.LastRepaintRegion().boundingRect();
    EXPECT_LE(cursor.left(), rig.Screen.PointToX(75));
    EXPECT_GE(cursor.right(), rig.Screen.PointToX(100));
    EXPECT_LT(cursor.width(), 120);
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
    SetBoolOption(s, opOptimizeForAero, false);
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
    SetBoolOption(s, opDispInformation, true);
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
    SetBoolOption(s, opOptimizeForAero, false);
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
        SetBoolOption(s, opPrintBlackWhite, blackWhite);
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

// On paper the information and cursor texts and the cursor line show in one colour that can be read on
// white: black in a black-and-white print, the information colour in a colour print unless it would vanish.
TEST(ScopeScreen, PrintedTextsStayReadableOnPaper) {
    const struct {
        const char *what;
        bool blackWhite;
        uint32_t info; // 0x00BBGGRR
        QRgb printed;
    } cases[] = {
        {"white, black and white", true, 0xFFFFFF, qRgb(0, 0, 0)},
        {"white, colour", false, 0xFFFFFF, qRgb(0, 0, 0)},
        {"yellow, colour", false, 0x00FFFF, qRgb(0, 0, 0)},
        {"red, colour", false, 0x0000FF, qRgb(255, 0, 0)},
        {"red, black and white", true, 0x0000FF, qRgb(0, 0, 0)},
        {"navy, colour", false, 0x800000, qRgb(0, 0, 128)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TScreenRig rig;
        TSettingsTarn &s = rig.Settings;
        s.VerCursorsOn = true;
        SetBoolOption(s, opPrintBlackWhite, c.blackWhite);
        static_cast<TColorOption *>(s.Options->GetOption(opColorInfo))->Value = c.info;
        const QSize size = rig.Screen.Bitmap().size();
        const auto print = [&](bool texts) {
            SetBoolOption(s, opDispInformation, texts);
            rig.Apply();
            QImage page(size, QImage::Format_RGB32);
            page.fill(Qt::white);
            QPainter p(&page);
            rig.Screen.RenderForPrinter(p, size.width(), size.height());
            return page;
        };
        const QImage with = print(true), without = print(false);
        const int h = QFontMetrics(rig.Screen.font()).boundingRect("TEST").height();
        const int lineY = size.height() - h - 6;
        const int a = rig.Screen.PointToX(s.GetVerCursorPos(0)),
                  b = rig.Screen.PointToX(s.GetVerCursorPos(1));
        for (int x = a; x <= b; ++x)
            ASSERT_EQ(with.pixel(x, lineY), c.printed) << "cursor line at " << x;
        // The texts are what the texts add, off the line: anti-aliased, their fullest pixels in the colour.
        int textPixels = 0, nearest = 3 * 255;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                const QRgb px = with.pixel(x, y);
                if (y == lineY || px == without.pixel(x, y))
                    continue;
                ++textPixels;
                nearest = std::min(nearest, std::abs(qRed(px) - qRed(c.printed)) +
                                                std::abs(qGreen(px) - qGreen(c.printed)) +
                                                std::abs(qBlue(px) - qBlue(c.printed)));
            }
        EXPECT_GT(textPixels, 200) << "the texts vanished";
        EXPECT_LT(nearest, 40);
    }
}

TEST(ScopeScreen, BlackAndWhitePrintKeepsTracesThatLieOnEachOther) {
    for (int32_t displayMode : {2, 3}) {
        TScreenRig rig;
        TSettingsTarn &s = rig.Settings;
        s.DisplayMode = displayMode;
        rig.Apply();
        rig.NewData(0, Sine(500, 0, 60));
        rig.NewData(1, Sine(500, 0, 60));
        SetBoolOption(s, opPrintBlackWhite, true);
        QImage page(600, 400, QImage::Format_RGB32);
        page.fill(Qt::white);
        {
            QPainter p(&page);
            rig.Screen.RenderForPrinter(p, 600, 400);
        }
        // Both traces are drawn at the same pixels: flipped twice they would vanish.
        int black = 0;
        for (int y = 0; y < page.height(); ++y)
            black += page.pixel(rig.Screen.PointToX(10), y) == qRgb(0, 0, 0);
        EXPECT_GT(black, 0) << "display mode " << displayMode;
    }
}

// --- mouse ---

// 600 points on 600 pixels and 400 levels on 400 rows: pixel x is point x, row y is level 399 - y.
struct TMouseRig : TScreenRig {
    TBusRecorder Recorder;
    TMouseRig() : TScreenRig(600, 400) {
        Recorder.SetObjMaster(&Bus);
        TSettingsTarn &s = Settings;
        s.VerCursorsOn = s.HorCursorsOn = true;
        s.CursorPositions = {4, 300, 100, 350};
        s.RequestedSettings().TriggerSourceOn[0][0] = true;
        s.RequestedSettings().TriggerLevel = {200, 60, 128};
        SetBoolOption(s, opOptimizeForAero, false);
        Apply();
        NewData(0, Flat(600, 250, 1));
    }
    static int Y(int level) { return 399 - level; }
    // A trace at one level (minimums 5 below, maximums 5 above) with ppc points per column.
    static TChannelWave Flat(int columns, int level, int ppc) {
        TChannelWave w;
        w.Columns.assign(size_t(columns), TColumn{uint8_t(level + 5), uint8_t(level - 5), uint8_t(level), 1});
        w.FirstColumn = 0;
        w.LastColumn = columns - 1;
        w.Valid = true;
        w.PointsPerSample = ppc;
        return w;
    }
};

TEST(ScopeScreenMouse, HitTestTakesTheFirstRuleThatMatches) {
    const struct Case {
        const char *what;
        bool crossing;
        int x, level;
        TScreenObject expected;
    } cases[] = {
        {"level mark over vertical cursor 0", false, 4, 200, {soLevelMark, 0}},
        {"level mark reach", true, 7, 204, {soLevelMark, 0}},
        {"beside the mark's column", false, 9, 204, {soNone, 0}},
        {"crossing wins over both cursors", true, 4, 100, {soCrossing, 0}},
        {"second crossing", true, 296, 354, {soCrossing, 1 + 256}},
        {"without the crossing mode the vertical cursor wins", false, 4, 100, {soVerCursor, 0}},
        {"4 points beside grabs", false, 304, 150, {soVerCursor, 1}},
        {"5 points beside does not", false, 305, 150, {soNone, 0}},
        {"horizontal cursor", true, 200, 104, {soHorCursor, 0}},
        {"just off the horizontal cursor", false, 200, 105, {soNone, 0}},
        {"trace average", false, 200, 252, {soTrace, 0}},
        {"two levels beyond the average", false, 200, 253, {soNone, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TMouseRig rig;
        rig.Settings.DisplayMode = 2;
        rig.Settings.CursorsXOn = c.crossing;
        EXPECT_EQ(rig.Screen.HitTest(c.x, TMouseRig::Y(c.level)), c.expected);
    }
}

TEST(ScopeScreenMouse, TraceReachDependsOnPointsPerColumnAndMode) {
    const struct Case {
        int ppc, mode;
        bool hit;
    } cases[] = {{4, 0, true}, {5, 0, false}, {4, 1, true}, {5, 1, true},
                 {5, 2, true}, {5, 3, true},  {6, 3, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "ppc " << c.ppc << " mode " << c.mode);
        TMouseRig rig;
        rig.Settings.VerCursorsOn = rig.Settings.HorCursorsOn = false;
        rig.Settings.DisplayMode = c.mode;
        // A spike in column 50 only; the press is in column 51, at the spike's level.
        TChannelWave w = TMouseRig::Flat(600 / c.ppc, 20, c.ppc);
        w.Columns[50] = {200, 200, 200, 1};
        rig.NewData(0, w);
        EXPECT_EQ(rig.Screen.HitTest(51 * c.ppc, TMouseRig::Y(200)).Kind == soTrace, c.hit);
        EXPECT_EQ(rig.Screen.HitTest(53 * c.ppc, TMouseRig::Y(200)).Kind, soNone);
    }
    // Columns outside the trace's valid range are never scanned: an empty scan does not hit.
    TMouseRig rig;
    rig.Settings.VerCursorsOn = rig.Settings.HorCursorsOn = false;
    TChannelWave w = TMouseRig::Flat(600, 10, 1);
    w.FirstColumn = 100;
    w.LastColumn = 200;
    rig.NewData(0, w);
    for (int level : {0, 1, 2, 255, 256, 399})
        EXPECT_EQ(rig.Screen.HitTest(400, TMouseRig::Y(level)).Kind, soNone) << level;
    TChannelWave hidden = TMouseRig::Flat(600, 10, 1);
    hidden.Valid = false;
    rig.NewData(0, hidden);
    EXPECT_EQ(rig.Screen.HitTest(150, TMouseRig::Y(10)).Kind, soNone);
}

TEST(ScopeScreenMouse, TrackedCursorDragsKeepTheDistanceAndStayOnScreen) {
    const struct Case {
        const char *what;
        int32_t v0, v1, cursor, toX;
        int32_t after0, after1;
    } cases[] = {
        {"towards the right edge", 100, 300, 0, 500, 399, 599},
        {"towards the left edge", 300, 100, 0, 50, 200, 0},
        {"in the middle", 100, 300, 0, 150, 150, 350},
        {"cursor 1 moves alone", 100, 300, 1, 50, 100, 50},
        {"cursors stored further apart than the screen", 2, 700, 0, 300, 0, 599},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TMouseRig rig;
        TSettingsTarn &s = rig.Settings;
        s.CursorTrackOn = true;
        s.SetVerCursorPos(0, c.v0);
        s.SetVerCursorPos(1, c.v1);
        rig.Screen.RedrawAll();
        const int from = std::clamp(c.cursor == 0 ? c.v0 : c.v1, 0, 599);
        rig.Recorder.Clear();
        rig.Screen.MouseDown(from, TMouseRig::Y(150));
        ASSERT_EQ(rig.Screen.DragObject(), (TScreenObject{soVerCursor, c.cursor}));
        rig.Screen.MouseMove(c.toX, TMouseRig::Y(20));
        EXPECT_EQ(s.GetVerCursorPos(0), c.after0);
        EXPECT_EQ(s.GetVerCursorPos(1), c.after1);
        EXPECT_GE(rig.Recorder.Count(bmVerCursorMoved), 2u);
        rig.Screen.MouseUp(c.toX, TMouseRig::Y(20));
        EXPECT_EQ(rig.Screen.DragObject().Kind, soNone);
        EXPECT_EQ(DiffersFromRedraw(rig.Screen), "");
    }
}

TEST(ScopeScreenMouse, HorizontalCursorAndCrossingDrags) {
    TMouseRig rig;
    TSettingsTarn &s = rig.Settings;
    s.CursorsXOn = true;
    s.CursorTrackOn = true;
    rig.Screen.MouseDown(300, TMouseRig::Y(350));
    ASSERT_EQ(rig.Screen.DragObject(), (TScreenObject{soCrossing, 1 + 256}));
    rig.Recorder.Clear();
    rig.Screen.MouseMove(320, TMouseRig::Y(330));
    // Neither cursor is cursor 0, so the crossing moves without tracking.
    EXPECT_EQ(s.CursorPositions, (std::array<int32_t, 4>{4, 320, 100, 330}));
    EXPECT_EQ(rig.Recorder.Count(bmHorCursorMoved), 1u);
    EXPECT_EQ(rig.Recorder.Count(bmVerCursorMoved), 2u);
    rig.Screen.MouseUp(320, TMouseRig::Y(330));

    rig.Screen.MouseDown(200, TMouseRig::Y(100));
    ASSERT_EQ(rig.Screen.DragObject(), (TScreenObject{soHorCursor, 0}));
    rig.Screen.MouseMove(200, -50); // above the top: level 399 would put cursor 1 off
    EXPECT_EQ(s.GetHorCursorPos(1), 399);
    EXPECT_EQ(s.GetHorCursorPos(0), 399 - 230);
    EXPECT_EQ(DiffersFromRedraw(rig.Screen), "");
}

TEST(ScopeScreenMouse, LevelMarkDragsAreClampedAndAnnounced) {
    TMouseRig rig;
    TSettingsTarn &s = rig.Settings;
    rig.Screen.MouseDown(3, TMouseRig::Y(198));
    ASSERT_EQ(rig.Screen.DragObject(), (TScreenObject{soLevelMark, 0}));
    EXPECT_EQ(rig.Screen.HoverObject(), (TScreenObject{soLevelMark, 0})) << "the hover follows the click";
    for (auto [y, level] : {std::pair{TMouseRig::Y(250), 250}, {-40, 399}, {500, 0}}) {
        rig.Recorder.Clear();
        rig.Screen.MouseMove(3, y);
        EXPECT_EQ(s.RequestedSettings().TriggerLevel[0], level);
        EXPECT_EQ(rig.Recorder.Log, (std::vector<TBusRecorder::TEntry>{{bmTriggerLevelDragged, 0, nullptr}}));
        EXPECT_EQ(DiffersFromRedraw(rig.Screen), "");
    }
    // Leaving the screen during a drag changes nothing; the drag ends at the release.
    rig.Screen.MouseLeave();
    EXPECT_EQ(rig.Screen.HoverObject(), (TScreenObject{soLevelMark, 0}));
    rig.Screen.MouseUp(200, TMouseRig::Y(20));
    EXPECT_EQ(rig.Screen.HoverObject().Kind, soNone);
}

TEST(ScopeScreenMouse, TraceDragsAreAnnouncedInColumnsAndLevels) {
    TMouseRig rig;
    rig.Settings.VerCursorsOn = rig.Settings.HorCursorsOn = false;
    rig.Settings.DisplayMode = 2;
    rig.NewData(1, TMouseRig::Flat(150, 100, 4));
    rig.Screen.MouseDown(200, TMouseRig::Y(100));
    ASSERT_EQ(rig.Screen.DragObject(), (TScreenObject{soTrace, 1}));
    const struct Step {
        int x, level;
        std::vector<std::pair<int32_t, int32_t>> messages;
    } steps[] = {
        {203, 100, {}},
        {204, 100, {{bmTraceDraggedX, 1}}},
        {204, 101, {{bmTraceDraggedY, 1}}},
        {204, 100, {{bmTraceDraggedY, -1}}},
        {196, 97, {{bmTraceDraggedX, -2}, {bmTraceDraggedY, -3}}},
    };
    for (const Step &st : steps) {
        SCOPED_TRACE(st.x);
        rig.Recorder.Clear();
        rig.Screen.MouseMove(st.x, TMouseRig::Y(st.level));
        std::vector<std::pair<int32_t, int32_t>> seen;
        for (const auto &e : rig.Recorder.Log) {
            seen.emplace_back(e.Msg, e.Param);
            ASSERT_NE(e.Data, nullptr);
            EXPECT_EQ(*static_cast<int32_t *>(e.Data), 1) << "the pointer names the dragged trace";
        }
        EXPECT_EQ(seen, st.messages);
    }
}

TEST(ScopeScreenMouse, HoversAndDragsLeaveWhatAFullRedrawGives) {
    for (bool aero : {false, true})
        for (bool information : {false, true}) {
            SCOPED_TRACE(testing::Message() << "aero " << aero << " information " << information);
            TMouseRig rig;
            TSettingsTarn &s = rig.Settings;
            SetBoolOption(s, opOptimizeForAero, aero);
            SetBoolOption(s, opDispInformation, information);
            s.CursorsXOn = true;
            s.GridOn = true;
            s.DisplayMode = 3;
            rig.Apply();
            rig.NewData(1, TMouseRig::Flat(150, 160, 4));
            const struct Step {
                const char *what;
                std::function<void()> act;
            } steps[] = {
                {"hover a cursor", [&] { rig.Screen.MouseMove(302, TMouseRig::Y(150)); }},
                {"hover the crossing", [&] { rig.Screen.MouseMove(300, TMouseRig::Y(352)); }},
                {"hover a trace", [&] { rig.Screen.MouseMove(200, TMouseRig::Y(250)); }},
                {"hover another trace", [&] { rig.Screen.MouseMove(200, TMouseRig::Y(160)); }},
                {"hover the level mark", [&] { rig.Screen.MouseMove(2, TMouseRig::Y(201)); }},
                {"drag the level mark",
                 [&] {
                     rig.Screen.MouseDown(2, TMouseRig::Y(201));
                     rig.Screen.MouseMove(2, TMouseRig::Y(240));
                     rig.Screen.MouseUp(2, TMouseRig::Y(240));
                 }},
                {"drag a cursor with tracking",
                 [&] {
                     s.CursorTrackOn = true;
                     rig.Screen.MouseDown(300, TMouseRig::Y(20));
                     rig.Screen.MouseMove(580, TMouseRig::Y(20));
                     rig.Screen.MouseUp(580, TMouseRig::Y(20));
                 }},
                {"drag the crossing",
                 [&] {
                     rig.Screen.MouseDown(4, TMouseRig::Y(100));
                     rig.Screen.MouseMove(40, TMouseRig::Y(80));
                     rig.Screen.MouseUp(40, TMouseRig::Y(80));
                 }},
                {"new data under a hovered trace",
                 [&] {
                     rig.Screen.MouseMove(200, TMouseRig::Y(250));
                     rig.NewData(0, TMouseRig::Flat(600, 240, 1));
                 }},
                {"leave", [&] { rig.Screen.MouseLeave(); }},
            };
            for (const Step &st : steps) {
                st.act();
                EXPECT_EQ(DiffersFromRedraw(rig.Screen), "") << st.what;
            }
            EXPECT_EQ(rig.Screen.HoverObject().Kind, soNone);
        }
}

} // namespace

} // namespace scope
