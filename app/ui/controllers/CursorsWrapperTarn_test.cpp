#include "controllers/CursorsWrapperTarn.h"

#include "bus/ObjMasterTarn.h"
#include "platform/FormTransparency.h"
#include "settings/SettingsTarn.h"
#include "testkit/BusRecorder.h"
#include "testkit/ui/QtTestKit.h"

#include <QGuiApplication>
#include <QScrollBar>
#include <QToolButton>
#include <QWidget>
#include <array>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>

namespace scope {
namespace {

// A window that records the opacities it is given.
class TRecordedWindow : public IWindowOpacity {
public:
    bool Supported = true;
    std::vector<double> Opacities;
    bool OpacitySupported() const override { return Supported; }
    void SetOpacity(double opacity) override { Opacities.push_back(opacity); }
};

class ScreenBox : public ::testing::Test {
protected:
    void SetUp() override {
        for (QToolButton *b : {&ver, &hor, &trc, &x, &grid})
            b->setCheckable(true);
        intensity.setRange(20, 100);
        transparencyBar.setRange(50, 255);
        s.GridIntensity = 0.7;
        s.Transparency = 255;
        s.GridOn = true;
        cursors.SetSettings(&s);
        cursors.SetObjMaster(&bus);
        recorder.SetObjMaster(&bus);
    }
    void Wire() {
        cursors.SetControls(
            {&ver, &hor, &trc, &x, &grid, &clear, &intensity, &transparencyBar, &transparency});
        BroadcastSettingsApplied(bus);
        recorder.Clear();
    }

    QApplication &app = TestApp();
    TObjMasterTarn bus;
    TSettingsTarn s;
    QToolButton ver, hor, trc, x, grid, clear;
    QScrollBar intensity{Qt::Horizontal}, transparencyBar{Qt::Horizontal};
    TRecordedWindow window;
    TFormTransparency transparency{window, 255};
    TCursorsWrapperTarn cursors;
    TBusRecorder recorder;
};

TEST_F(ScreenBox, EachToggleSendsItsOwnMessageAndAllFlagsAreReadFromTheButtons) {
    Wire();
    EXPECT_TRUE(grid.isChecked());
    EXPECT_FALSE(x.isChecked());
    const struct {
        QToolButton *Button;
        int32_t Msg;
    } toggles[] = {{&ver, bmVerCursorsToggled},
                   {&hor, bmHorCursorsToggled},
                   {&trc, bmTrackToggled},
                   {&x, bmCrossToggled},
                   {&grid, bmGridToggled}};
    for (const auto &t : toggles) {
        SCOPED_TRACE(t.Msg);
        recorder.Clear();
        t.Button->click();
        EXPECT_EQ(recorder.Messages(), std::vector<int32_t>{t.Msg});
    }
    EXPECT_TRUE(s.VerCursorsOn);
    EXPECT_TRUE(s.HorCursorsOn);
    EXPECT_TRUE(s.CursorTrackOn);
    EXPECT_TRUE(s.CursorsXOn);
    EXPECT_FALSE(s.GridOn);

    // A button changed without its signal is read with the next click on another.
    {
        const QSignalBlocker quiet(ver);
        ver.setChecked(false);
    }
    recorder.Clear();
    x.click();
    EXPECT_EQ(recorder.Messages(), std::vector<int32_t>{bmCrossToggled});
    EXPECT_FALSE(s.VerCursorsOn);
    EXPECT_FALSE(s.CursorsXOn);
}

TEST_F(ScreenBox, ClearAndTheBarsSendTheirMessages) {
    Wire();
    clear.click();
    EXPECT_EQ(recorder.Messages(), std::vector<int32_t>{bmClearScreen});

    recorder.Clear();
    double previous = -1;
    recorder.OnMessage = [&](int32_t msg, int32_t, void *data) {
        if (msg == bmIntensityChanged)
            previous = *static_cast<double *>(data);
    };
    intensity.setValue(40);
    EXPECT_EQ(recorder.Messages(), std::vector<int32_t>{bmIntensityChanged});
    EXPECT_DOUBLE_EQ(previous, 0.7);
    EXPECT_DOUBLE_EQ(s.GridIntensity, 0.4);

    recorder.Clear();
    transparencyBar.setValue(120);
    EXPECT_EQ(recorder.Messages(), std::vector<int32_t>{bmTransparencyChanged});
    EXPECT_EQ(s.Transparency, 120);
    ASSERT_FALSE(window.Opacities.empty());
    EXPECT_DOUBLE_EQ(window.Opacities.back(), 120 / 255.0) << "the controller answers its own 46";
}

TEST_F(ScreenBox, HandlersIdleWhileTheControlsAreFilled) {
    Wire();
    cursors.Fill([&] {
        cursors.ToggleClick(bmCrossToggled);
        cursors.ClearClick();
        cursors.BarChange(&intensity);
    });
    EXPECT_TRUE(recorder.Log.empty());
    EXPECT_DOUBLE_EQ(s.GridIntensity, 0.7);
    // Filling from the settings sends nothing back.
    s.GridIntensity = 0.3;
    s.CursorsXOn = true;
    BroadcastSettingsApplied(bus);
    EXPECT_EQ(recorder.Count(bmIntensityChanged), 0u);
    EXPECT_EQ(recorder.Count(bmCrossToggled), 0u);
    EXPECT_EQ(intensity.value(), 30);
    EXPECT_TRUE(x.isChecked());
}

TEST_F(ScreenBox, StoredValuesOutsideTheBarsStayStoredUntilMoved) {
    s.GridIntensity = 0.05;
    s.Transparency = 20;
    Wire();
    EXPECT_EQ(intensity.value(), 20);
    EXPECT_DOUBLE_EQ(s.GridIntensity, 0.05);
    EXPECT_EQ(transparencyBar.value(), 50);
    EXPECT_EQ(s.Transparency, 20);
    ASSERT_FALSE(window.Opacities.empty());
    EXPECT_DOUBLE_EQ(window.Opacities.back(), 50 / 255.0);
    EXPECT_EQ(transparency.Transparency(), 50);
}

// Intensities of a hostile settings file: no integer bar position exists for them before the bar's limits.
TEST_F(ScreenBox, IntensitiesWithoutABarPositionGoToTheBarsEnds) {
    Wire();
    struct TCase {
        double Stored;
        int Bar;
    } cases[] = {{-1e308, 20}, {1e308, 100}, {-INFINITY, 20}, {INFINITY, 100}, {NAN, 20}, {0.55, 55}};
    for (const TCase &c : cases) {
        s.GridIntensity = c.Stored;
        BroadcastSettingsApplied(bus);
        EXPECT_EQ(intensity.value(), c.Bar) << c.Stored;
        EXPECT_EQ(recorder.Count(bmIntensityChanged), 0u);
    }
}

TEST_F(ScreenBox, WithoutWindowOpacityTheBarIsDisabledAndNothingIsApplied) {
    window.Supported = false;
    window.Opacities.clear();
    s.Transparency = 100;
    Wire();
    EXPECT_FALSE(transparencyBar.isEnabled());
    EXPECT_TRUE(window.Opacities.empty());
    EXPECT_EQ(s.Transparency, 100);
    transparency.SetTransparency(80);
    EXPECT_TRUE(window.Opacities.empty());
    EXPECT_EQ(transparency.Transparency(), 255) << "not stored where not supported";
}

// Stored cursors from another screen (a larger instrument's, a settings file) are brought onto this one as
// the drag rules keep them: vertical ones within 0 .. points - 1, horizontal ones within the levels. The
// other cursors, already on the screen, stay where they are.
TEST_F(ScreenBox, StoredCursorsOffTheScreenAreBroughtOntoItWhenTheSettingsAreApplied) {
    s.PointsOnScreen = 400;
    s.LevelCount = 256;
    Wire();
    struct TCase {
        bool Vertical;
        int32_t Stored, Applied;
    } cases[] = {
        {true, INT32_MIN, 0}, {true, -1, 0},           {true, 0, 0},          {true, 1, 1},
        {true, 200, 200},     {true, 398, 398},        {true, 399, 399},      {true, 400, 399},
        {true, 450, 399},     {true, INT32_MAX, 399},  {false, INT32_MIN, 0}, {false, -1, 0},
        {false, 0, 0},        {false, 128, 128},       {false, 255, 255},     {false, 256, 255},
        {false, 300, 255},    {false, INT32_MAX, 255},
    };
    const std::array<int32_t, 4> inside{30, 370, 20, 230};
    for (const TCase &c : cases)
        for (int32_t cursor = 0; cursor < 2; ++cursor) {
            SCOPED_TRACE(std::string(c.Vertical ? "vertical " : "horizontal ") + std::to_string(cursor) +
                         " stored at " + std::to_string(c.Stored));
            s.CursorPositions = inside;
            std::array<int32_t, 4> expected = inside;
            const size_t slot = size_t(cursor) + (c.Vertical ? 0 : 2);
            s.CursorPositions[slot] = c.Stored;
            expected[slot] = c.Applied;
            BroadcastSettingsApplied(bus);
            EXPECT_EQ(s.CursorPositions, expected);
        }
}

// The cursors are on the screen from the limits stage on, before the screen and the readouts use them.
TEST_F(ScreenBox, CursorsAreOnTheScreenFromTheLimitsStageOn) {
    s.PointsOnScreen = 400;
    s.LevelCount = 256;
    s.CursorPositions = {450, -3, 300, 100};
    bus.Broadcast(bmSettingsApplied, ssColours, nullptr);
    EXPECT_EQ(s.CursorPositions, (std::array<int32_t, 4>{450, -3, 300, 100}));
    bus.Broadcast(bmSettingsApplied, ssLimits, nullptr);
    EXPECT_EQ(s.CursorPositions, (std::array<int32_t, 4>{399, 0, 255, 100}));
}

// Before the instrument's screen is known there is no screen to bring them onto.
TEST_F(ScreenBox, CursorsStayAsStoredWhileTheScreenSizeIsUnknown) {
    s.PointsOnScreen = 0;
    s.LevelCount = 0;
    s.CursorPositions = {450, -3, 300, -1};
    Wire();
    EXPECT_EQ(s.CursorPositions, (std::array<int32_t, 4>{450, -3, 300, -1}));
}

TEST(FormTransparency, TheRangeMapsToOpacityWith255Opaque) {
    TRecordedWindow window;
    TFormTransparency t(window);
    ASSERT_EQ(window.Opacities.size(), 1u);
    EXPECT_DOUBLE_EQ(window.Opacities[0], 1.0) << "made opaque";
    t.SetTransparency(50);
    EXPECT_DOUBLE_EQ(window.Opacities.back(), 50 / 255.0);
    t.SetTransparency(255);
    EXPECT_DOUBLE_EQ(window.Opacities.back(), 1.0);
    EXPECT_EQ(t.Transparency(), 255);
}

TEST(FormTransparency, AWidgetSupportsItOnlyOnX11) {
    TestApp();
    QWidget widget;
    TWidgetOpacity opacity(widget);
    EXPECT_EQ(opacity.OpacitySupported(), QGuiApplication::platformName() == "xcb");
    EXPECT_FALSE(opacity.OpacitySupported()) << "the tests run offscreen";
}

} // namespace
} // namespace scope
