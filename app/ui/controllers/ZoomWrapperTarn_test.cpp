#include "controllers/ZoomWrapperTarn.h"

#include "device/DataTypesTarn.h"
#include "screens/QVScreenTarn.h"
#include "settings/OptionsTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/BusRecorder.h"
#include "testkit/ui/QtTestKit.h"

#include <QLabel>
#include <QScrollBar>
#include <QToolButton>
#include <QWidget>
#include <gtest/gtest.h>

namespace scope {
namespace {

// The controller with the Zoom box's controls and a quick view, on a bus with a recorder, 500 points.
struct TZoomRig {
    TTestAppFirst AppFirst;
    TObjMasterTarn Bus;
    TSettingsTarn Settings;
    QWidget Box;
    QScrollBar DisplayStart{Qt::Horizontal};
    TQVScreenTarn QuickView;
    TZoomWrapperTarn Zoom;
    TBusRecorder Recorder;
    int Visibility = 0;

    TZoomRig() {
        DefaultInstrument(Settings);
        Settings.BringWithinCapabilities(Settings.RequestedSettings());
        Settings.ZoomRatio = 1;
        MakeZoomControls(&Box, &DisplayStart, Zoom);
        Zoom.QVScreen = &QuickView;
        QuickView.OnVisibilityOnOff = [this] { ++Visibility; };
        Zoom.SetSettings(&Settings);
        Zoom.SetObjMaster(&Bus);
        Recorder.SetObjMaster(&Bus);
        Bus.Broadcast(bmInitialize, 0, nullptr);
    }
    // A record of that many samples on screen, the same requested.
    void Record(int32_t m) {
        Settings.ShownSettings().MemorySize = m;
        Settings.RequestedSettings().MemorySize = m;
    }
    void Apply() { BroadcastSettingsApplied(Bus); }
};

TEST(ZoomWrapper, ClampViewBringsTheViewBackWithinTheRecord) {
    const struct Case {
        const char *what;
        int32_t m;
        bool allowQuickView, zoomOn;
        double zoomRatio;
        int32_t displayStart, zoomStart, quickViewStart;
        // expected
        bool quickViewOn;
        int32_t quickViewRatio, viewSamples;
        double zoomAfter;
        int32_t displayAfter, zoomStartAfter, quickViewStartAfter;
        bool changed;
    } cases[] = {
        {"8192, overview within", 8192, true, false, 1, 100, 100, 0, false, 0, 8192, 1, 100, 100, 0, false},
        {"overview start past the end", 8192, true, false, 1, 5000, 100, 0, false, 0, 8192, 1, 192, 100, 0,
         true},
        {"zoomed start beyond the record", 8192, true, true, 1, 9000, 8000, 0, false, 0, 8192, 1, 7692, 7692,
         0, true},
        {"1 M with quick view", 1048576, true, false, 1, 0, 0, 0, true, 16, 65536, 1, 0, 0, 0, false},
        {"slice past the record's end", 1048576, true, true, 1, 0, 0, 2000000, true, 16, 65536, 1, 0, 0,
         983040, false},
        {"1 M without the option", 1048576, false, false, 1, 0, 0, 0, false, 0, 1048576, 1, 0, 0, 0, false},
        {"ratio below the smallest", 8192, true, true, 0.0625, 0, 0, 0, false, 0, 8192, 0.125, 0, 0, 0, true},
        {"window longer than the record", 8192, true, true, 64, 0, 0, 0, false, 0, 8192, 16, 0, 0, 0, true},
        {"very short record", 50, true, true, 1, 0, 0, 0, false, 0, 50, 0.0625, 0, 0, 0, true},
        {"no record: nothing to halve against", 0, true, true, 1, 300, 300, 0, false, 0, 0, 1, 0, 0, 0, true},
        {"negative starts", 8192, true, true, 1, -5, -7, -9, false, 0, 8192, 1, 0, 0, 0, true},
        {"damaged ratio", 8192, true, true, std::nan(""), 0, 0, 0, false, 0, 8192, 0.125, 0, 0, 0, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TZoomRig rig;
        TSettingsTarn &s = rig.Settings;
        rig.Record(c.m);
        SetBoolOption(s, opDispAllowQuickView, c.allowQuickView);
        s.ZoomOn = c.zoomOn;
        s.ZoomRatio = c.zoomRatio;
        s.DisplayStart = c.displayStart;
        s.ZoomStart = c.zoomStart;
        s.QuickViewStart = c.quickViewStart;
        s.DisplayRatio = 7;
        EXPECT_EQ(rig.Zoom.ClampView(), c.changed);
        EXPECT_EQ(s.QuickViewOn, c.quickViewOn);
        EXPECT_EQ(rig.QuickView.Visible(), c.quickViewOn);
        if (c.quickViewOn) {
            EXPECT_EQ(s.QuickViewRatio, c.quickViewRatio);
        }
        EXPECT_EQ(s.ViewSamples, c.viewSamples);
        EXPECT_EQ(s.ZoomRatio, c.zoomAfter);
        EXPECT_EQ(s.DisplayStart, c.displayAfter);
        EXPECT_EQ(s.ZoomStart, c.zoomStartAfter);
        EXPECT_EQ(s.QuickViewStart, c.quickViewStartAfter);
        EXPECT_EQ(s.DisplayRatio, 7) << "ClampView leaves the display ratio alone";
    }
}

// The shown record decides, not the memory size asked for next: a record shorter than the requested memory
// pulls a display start that lay beyond it back onto it.
TEST(ZoomWrapper, TheShownRecordBoundsTheViewWhenItIsShorterThanTheRequestedMemory) {
    TZoomRig rig;
    TSettingsTarn &s = rig.Settings;
    s.RequestedSettings().MemorySize = 65536;
    s.ShownSettings().MemorySize = 8192;
    s.ZoomOn = true;
    s.ZoomRatio = 1;
    s.DisplayStart = 30000;
    rig.Bus.Broadcast(bmRecordLengthChanged, 0, nullptr);
    EXPECT_EQ(s.ViewSamples, 8192);
    EXPECT_EQ(s.DisplayStart, 7692);
    EXPECT_EQ(s.DisplayRatio, 1);
    EXPECT_EQ(rig.Zoom.DisplayStartBar->maximum(), 7692);
    EXPECT_EQ(rig.Zoom.DisplayStartBar->value(), 7692);

    // Time base 16 at 8192 samples in the overview: the ratio follows the record.
    s.ZoomOn = false;
    s.DisplayStart = 8000;
    rig.Bus.Broadcast(bmRecordLengthChanged, 0, nullptr);
    EXPECT_EQ(s.DisplayRatio, 16);
    EXPECT_EQ(s.DisplayStart, 192);
}

TEST(ZoomWrapper, OverviewControlsAndZoomLabels) {
    TZoomRig rig;
    TSettingsTarn &s = rig.Settings;
    rig.Record(8192);
    s.ZoomOn = false;
    s.ZoomStart = 0;
    rig.Zoom.UpdateZoomControls();
    EXPECT_EQ(s.DisplayRatio, 16);
    EXPECT_EQ(rig.Zoom.ScrollRange(), 192);
    EXPECT_EQ(rig.Zoom.DisplayStartBar->maximum(), 500);
    EXPECT_EQ(rig.Zoom.DspAmountLabel->text().toStdString(), FormatDecimalPrefix(8000));
    EXPECT_EQ(rig.Zoom.MemSizeLabel->text().toStdString(), FormatBinaryPrefix(8192));
    EXPECT_FALSE(rig.Zoom.ZoomButton->isChecked());
    EXPECT_EQ(rig.Zoom.SamplesPerPoint(), 16);
    rig.Record(65536);
    EXPECT_EQ(rig.Zoom.ClampView(), false);
    EXPECT_EQ(rig.Zoom.SamplesPerPoint(), 128);

    for (auto [ratio, label] : {std::pair{16.0, "1:16"}, {1.0, "1:1"}, {0.125, "8:1"}}) {
        s.ZoomRatio = ratio;
        EXPECT_EQ(rig.Zoom.ZoomLabel(), label);
    }
    rig.Record(8192);
    s.ZoomOn = true;
    s.ZoomRatio = 0.125;
    rig.Zoom.UpdateZoomControls();
    EXPECT_EQ(rig.Zoom.ZoomButton->text(), "8:1");
    EXPECT_TRUE(rig.Zoom.ZoomButton->isChecked());
    EXPECT_EQ(rig.Zoom.DisplayStartBar->maximum(), 8129) << "Floor(8192 - 62.5)";
    EXPECT_EQ(rig.Zoom.DisplayStartBar->singleStep(), 1);
    EXPECT_EQ(rig.Zoom.DisplayStartBar->pageStep(), 6) << "Round(0.125 x 50)";
}

TEST(ZoomWrapper, ZoomOffAndOnAgain) {
    TZoomRig rig;
    TSettingsTarn &s = rig.Settings;
    rig.Record(8192);
    s.ZoomOn = true;
    s.ZoomRatio = 1;
    s.DisplayStart = 2100;
    rig.Zoom.UpdateZoomControls();
    rig.Recorder.Clear();

    rig.Zoom.ZoomButton->click();
    EXPECT_FALSE(s.ZoomOn);
    EXPECT_EQ(s.ZoomStart, 2100);
    EXPECT_EQ(rig.Zoom.DisplayStartBar->value(), 137) << "Round(2100 x 500 / 7692)";
    EXPECT_EQ(s.DisplayStart, 53) << "Round(137 x 192 / 500)";
    EXPECT_EQ(s.DisplayRatio, 16);
    EXPECT_EQ(rig.Recorder.Messages(), (std::vector<int32_t>{bmZoomChanged, bmZoomMarksShow}));

    rig.Recorder.Clear();
    rig.Zoom.ZoomButton->click();
    EXPECT_TRUE(s.ZoomOn);
    EXPECT_EQ(s.DisplayStart, 2100);
    EXPECT_EQ(s.DisplayRatio, 1);
    EXPECT_EQ(rig.Zoom.DisplayStartBar->value(), 2100);
    EXPECT_EQ(rig.Recorder.Messages(), (std::vector<int32_t>{bmZoomChanged, bmZoomMarksHide}));

    // A zoom window as long as the slice: the bar stands at 0 instead of dividing by zero.
    rig.Record(4000);
    s.ZoomOn = false;
    s.ZoomRatio = 8;
    s.ZoomStart = 0;
    rig.Zoom.UpdateZoomControls();
    EXPECT_EQ(rig.Zoom.DisplayStartBar->value(), 0);
}

TEST(ZoomWrapper, ZoomStepsStayWithinTheSlice) {
    TZoomRig rig;
    TSettingsTarn &s = rig.Settings;
    rig.Record(8192);
    s.ZoomOn = true;
    s.ZoomRatio = 0.125;
    rig.Zoom.UpdateZoomControls();
    rig.Recorder.Clear();
    rig.Zoom.ZoomUpBtn->click();
    EXPECT_EQ(s.ZoomRatio, 0.125);
    EXPECT_EQ(rig.Recorder.Messages(), (std::vector<int32_t>{bmZoomChanged}));
    for (int i = 0; i < 10; ++i)
        rig.Zoom.ZoomDownBtn->click();
    EXPECT_EQ(s.ZoomRatio, 16) << "P x 32 would exceed the 8192 samples";
    s.ZoomOn = false;
    rig.Recorder.Clear();
    rig.Bus.Broadcast(bmHotkeyZoomIn, 0, nullptr);
    EXPECT_EQ(s.ZoomRatio, 8);
    EXPECT_EQ(rig.Recorder.Messages(),
              (std::vector<int32_t>{bmZoomChanged, bmZoomMarksShow, bmHotkeyZoomIn}));
    rig.Bus.Broadcast(bmHotkeyZoomOut, 0, nullptr);
    EXPECT_EQ(s.ZoomRatio, 16);
}

TEST(ZoomWrapper, TheFirstRoundPlacesTheMemoryBarWithoutItsHandler) {
    TZoomRig rig;
    TSettingsTarn &s = rig.Settings;
    EXPECT_TRUE(rig.Zoom.MemSizeBar->isEnabled());
    EXPECT_EQ(rig.Zoom.MemSizeBar->maximum(), 10);
    s.RequestedSettings().MemorySize = 16384;
    s.ShownSettings().MemorySize = 16384;
    rig.Apply();
    EXPECT_EQ(rig.Zoom.MemSizeBar->value(), 4);
    EXPECT_EQ(rig.Recorder.Count(bmMemorySizeChanged), 0u);

    // Later rounds run it whenever the index changes; a size not in the list becomes the first entry.
    s.RequestedSettings().MemorySize = 12345;
    rig.Apply();
    EXPECT_EQ(s.RequestedSettings().MemorySize, 1024);
    EXPECT_EQ(rig.Zoom.MemSizeBar->value(), 0);
    EXPECT_EQ(rig.Recorder.Count(bmMemorySizeChanged), 1u);

    // The bar itself: one step right asks for the next size.
    rig.Recorder.Clear();
    rig.Zoom.MemSizeBar->setValue(1);
    EXPECT_EQ(s.RequestedSettings().MemorySize, 2048);
    EXPECT_EQ(rig.Zoom.MemSizeLabel->text().toStdString(), FormatBinaryPrefix(2048));
    EXPECT_EQ(rig.Recorder.Messages(), (std::vector<int32_t>{bmMemorySizeChanged}));

    // Without a list nothing is looked up.
    s.MemorySizeList().clear();
    s.RequestedSettings().MemorySize = 777;
    rig.Bus.Broadcast(bmSettingsApplied, ssLimits, nullptr);
    EXPECT_EQ(s.RequestedSettings().MemorySize, 777);
}

TEST(ZoomWrapper, ModeButtonsKeepAtLeastOneModeOn) {
    TZoomRig rig;
    TSettingsTarn &s = rig.Settings;
    rig.Record(8192);
    s.DisplayMode = 0;
    rig.Zoom.UpdateZoomControls();
    const struct Step {
        QAbstractButton *button;
        int32_t mode;
        bool min, avg, max;
    } steps[] = {
        {rig.Zoom.MinButton, 0, true, false, false}, // the last button cannot be released
        {rig.Zoom.MaxButton, 3, true, false, true},  {rig.Zoom.MinButton, 1, false, false, true},
        {rig.Zoom.AvgButton, 2, false, true, false}, {rig.Zoom.MinButton, 0, true, false, false},
    };
    for (const Step &st : steps) {
        rig.Recorder.Clear();
        st.button->click();
        EXPECT_EQ(s.DisplayMode, st.mode);
        EXPECT_EQ(rig.Zoom.MinButton->isChecked(), st.min);
        EXPECT_EQ(rig.Zoom.AvgButton->isChecked(), st.avg);
        EXPECT_EQ(rig.Zoom.MaxButton->isChecked(), st.max);
        EXPECT_EQ(rig.Recorder.Messages(), (std::vector<int32_t>{bmDisplayModeChanged}));
    }
}

TEST(ZoomWrapper, TraceDragsAndHotKeysMoveTheZoomedView) {
    TZoomRig rig;
    TSettingsTarn &s = rig.Settings;
    rig.Record(8192);
    SetBoolOption(s, opDispAllowStartChange, true);
    s.ZoomOn = true;
    s.ZoomRatio = 1;
    s.DisplayStart = 2000;
    rig.Zoom.UpdateZoomControls();
    int32_t trace = 0;
    rig.Recorder.Clear();
    rig.Bus.Broadcast(bmTraceDraggedX, -100, &trace);
    EXPECT_EQ(s.DisplayStart, 2100);
    EXPECT_EQ(rig.Recorder.Count(bmDisplayWindowChanged), 1u);

    // A loaded-record trace moves its record, not the view.
    trace = s.PhysicalChannelCount + s.VirtualChannelCount;
    rig.Bus.Broadcast(bmTraceDraggedX, -100, &trace);
    EXPECT_EQ(s.DisplayStart, 2100);

    // Zoomed in, a screen point is less than a sample: the view moves a sample a point.
    s.ZoomRatio = 0.25;
    rig.Zoom.UpdateZoomControls();
    trace = 1;
    rig.Bus.Broadcast(bmTraceDraggedX, 10, &trace);
    EXPECT_EQ(s.DisplayStart, 2090);

    rig.Bus.Broadcast(bmHotkeyMoveScreen, 400, nullptr);
    EXPECT_EQ(s.DisplayStart, 2490);

    SetBoolOption(s, opDispAllowStartChange, false);
    rig.Bus.Broadcast(bmTraceDraggedX, 10, &trace);
    EXPECT_EQ(s.DisplayStart, 2490);
}

TEST(ZoomWrapper, OverviewBarMovesTheZoomWindow) {
    TZoomRig rig;
    TSettingsTarn &s = rig.Settings;
    rig.Record(8192);
    s.ZoomOn = false;
    s.ZoomRatio = 1;
    rig.Zoom.UpdateZoomControls();
    rig.Recorder.Clear();
    rig.Zoom.DisplayStartBar->setValue(250);
    EXPECT_EQ(s.DisplayStart, 96) << "Round(250 x 192 / 500)";
    EXPECT_EQ(s.ZoomStart, 3846) << "Round(7692 x 250 / 500)";
    EXPECT_EQ(rig.Recorder.Messages(), (std::vector<int32_t>{bmZoomMarksShow, bmDisplayWindowChanged}));
}

TEST(ZoomWrapper, ASliceMoveKeepsTheZoomWindowInPlace) {
    TZoomRig rig;
    TSettingsTarn &s = rig.Settings;
    rig.Record(1048576);
    SetBoolOption(s, opDispAllowQuickView, true);
    s.ZoomOn = true;
    s.ZoomRatio = 1;
    s.QuickViewStart = 100000;
    s.DisplayStart = 10000;
    rig.Zoom.UpdateZoomControls();
    EXPECT_TRUE(rig.QuickView.Visible());
    EXPECT_EQ(rig.Visibility, 1);
    rig.Recorder.Clear();
    rig.QuickView.OnSliceMove(104000);
    EXPECT_EQ(s.QuickViewStart, 104000);
    EXPECT_EQ(s.DisplayStart, 6000);
    EXPECT_EQ(rig.Recorder.Messages(), (std::vector<int32_t>{bmDisplayWindowChanged}));

    rig.QuickView.OnScreenMove(20000);
    EXPECT_EQ(s.DisplayStart, 20000);
    s.ZoomOn = false;
    rig.QuickView.OnScreenMove(30000);
    EXPECT_EQ(s.DisplayStart, 20000) << "the band moves only while zoomed";

    // A short record hides the strip again, announcing it once.
    rig.Record(8192);
    rig.Zoom.ClampView();
    rig.Zoom.ClampView();
    EXPECT_FALSE(rig.QuickView.Visible());
    EXPECT_EQ(rig.Visibility, 2);
}

} // namespace
} // namespace scope
