#include "controllers/TimeBaseWrapperTarn.h"

#include "bus/ObjMasterTarn.h"
#include "controls/SamplingProgressBarTarn.h"
#include "device/DemoDevice.h"
#include "settings/SettingsTarn.h"
#include "testkit/BusRecorder.h"
#include "testkit/ui/QtTestKit.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QWidget>
#include <gtest/gtest.h>

namespace scope {
namespace {

// The controller with the Horizontal box's controls and the WCD radio items as the main form makes them,
// on a bus with a recorder, with the demonstration instrument's 23 time bases (rows 16 on equivalent
// time) and its start-up defaults (time base 11: 2.5 MHz).
struct TTimeBaseRig {
    TTestAppFirst App;
    TObjMasterTarn Bus;
    TSettingsTarn Settings;
    QWidget Box;
    QActionGroup Group{nullptr};
    QMenu Menu; // owns the items, goes before the group
    std::vector<QAction *> Items;
    TTimeBaseWrapperTarn Controller;
    TBusRecorder Recorder;

    explicit TTimeBaseRig(bool withRows = true, bool withItems = true) {
        Settings.SetDefaultCapabilities();
        TDAO_DEMO().GetCapabilities(Settings);
        if (!withRows)
            Settings.TimeBaseList().clear();
        Settings.TriggerLatency = 0;
        Items = MakeWCDItems(&Menu, &Group);
        MakeTimeBaseControls(&Box, Controller);
        if (withItems)
            Controller.SetWCDItems(Items);
        Controller.SetSettings(&Settings);
        Controller.SetObjMaster(&Bus);
        Recorder.SetObjMaster(&Bus);
        Bus.Broadcast(bmInitialize, 0, nullptr);
        TXMLSettings empty;
        Settings.LoadFromXML(empty);
        Settings.DisplayRatio = 1;
        Settings.StartAcquisitionSettings();
        Settings.ShowAcquisitionSettings();
        BroadcastSettingsApplied(Bus);
        Recorder.Clear();
    }
    TDeviceSettings &R() { return Settings.RequestedSettings(); }
    std::string Text(QLabel *l) { return l->text().toStdString(); }
    std::string Checked() {
        std::string names;
        for (QAction *a : Items)
            if (a->isChecked())
                names += a->text().toStdString() + ";";
        return names;
    }
};

TEST(TimeBaseWrapper, StartsOnTheMiddleRowWithItsTimesAndRate) {
    TTimeBaseRig rig;
    EXPECT_EQ(rig.Controller.TimeBaseBar->objectName(), "ScrollBar4");
    EXPECT_EQ(rig.Controller.TimeBaseBar->toolTip(), "Adjust time base");
    EXPECT_EQ(rig.Controller.TimeBaseBar->minimum(), 0);
    EXPECT_EQ(rig.Controller.TimeBaseBar->maximum(), 22);
    EXPECT_EQ(rig.Controller.TimeBaseBar->value(), 11);
    EXPECT_EQ(rig.Text(rig.Controller.TimeBaseNowLabel), "20us/d");
    EXPECT_EQ(rig.Text(rig.Controller.TimeBaseDataLabel), "20us/d");
    EXPECT_EQ(rig.Text(rig.Controller.SamplingRateLabel), "2.5MHz");
    EXPECT_EQ(rig.R().WCD, 20);
    EXPECT_EQ(rig.Checked(), "Low;");
    for (QWidget *w :
         {rig.Controller.SamplingImage, static_cast<QWidget *>(rig.Controller.SamplingProgressBarA),
          static_cast<QWidget *>(rig.Controller.SamplingProgressBarB)})
        EXPECT_TRUE(w->isHidden()) << "not an equivalent-time row";
}

TEST(TimeBaseWrapper, WCDIsRoundedUpToAMenuValueAndItsItemChecked) {
    const struct Case {
        int32_t loaded, stored;
        const char *checked;
    } cases[] = {{0, 8, "Very high;"}, {8, 8, "Very high;"}, {9, 12, "High;"},    {10, 12, "High;"},
                 {12, 12, "High;"},    {13, 16, "Medium;"},  {16, 16, "Medium;"}, {17, 20, "Low;"},
                 {20, 20, "Low;"},     {21, 255, "Off;"},    {255, 255, "Off;"},  {300, 255, "Off;"},
                 {-7, 8, "Very high;"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.loaded);
        TTimeBaseRig rig;
        rig.R().WCD = c.loaded;
        BroadcastSettingsApplied(rig.Bus);
        EXPECT_EQ(rig.R().WCD, c.stored);
        EXPECT_EQ(rig.Checked(), c.checked);
    }
}

TEST(TimeBaseWrapper, WithoutMenuItemsWCDStillRoundsToAMenuValue) {
    TTimeBaseRig rig(true, false);
    for (auto [loaded, stored] :
         {std::pair{0, 8}, std::pair{10, 12}, std::pair{17, 20}, std::pair{300, 255}}) {
        rig.R().WCD = loaded;
        rig.Bus.Broadcast(bmSettingsApplied, ssGeometry, nullptr);
        EXPECT_EQ(rig.R().WCD, stored) << loaded;
    }
    EXPECT_EQ(rig.Checked(), "") << "the items were not given";
}

TEST(TimeBaseWrapper, AWCDItemSetsItsValue) {
    TTimeBaseRig rig;
    rig.Items[1]->trigger(); // High
    EXPECT_EQ(rig.R().WCD, 12);
    EXPECT_EQ(rig.Checked(), "High;");
    rig.Items[4]->trigger(); // Off
    EXPECT_EQ(rig.R().WCD, 255);
    EXPECT_EQ(rig.Checked(), "Off;");
    EXPECT_TRUE(rig.Recorder.Log.empty()) << "the sensitivity is not announced";
}

TEST(TimeBaseWrapper, ALoadedTimeBaseOutsideTheListIsKeptWithinItAtStageOne) {
    for (auto [loaded, kept] : {std::pair{40, 22}, std::pair{23, 22}, std::pair{-3, 0}, std::pair{16, 16}}) {
        SCOPED_TRACE(loaded);
        TTimeBaseRig rig;
        rig.R().TimeBase = loaded;
        rig.Bus.Broadcast(bmSettingsApplied, ssLimits, nullptr);
        EXPECT_EQ(rig.R().TimeBase, kept);
        rig.Bus.Broadcast(bmSettingsApplied, ssGeometry, nullptr);
        EXPECT_EQ(rig.Controller.TimeBaseBar->value(), kept);
        EXPECT_EQ(rig.Recorder.Count(bmTimeBaseChanged), 0u) << "filling the bar is no user change";
    }
}

TEST(TimeBaseWrapper, TheBarAndTheHotKeyAnnounceOnlyARealChange) {
    TTimeBaseRig rig;
    rig.Controller.TimeBaseBar->setValue(14);
    EXPECT_EQ(rig.R().TimeBase, 14);
    EXPECT_EQ(rig.Text(rig.Controller.SamplingRateLabel), "25MHz");
    EXPECT_EQ(rig.Text(rig.Controller.TimeBaseNowLabel), "2us/d");
    EXPECT_EQ(rig.Text(rig.Controller.TimeBaseDataLabel), "20us/d") << "the record on screen is unchanged";
    EXPECT_EQ(rig.Recorder.Log, (std::vector<TBusRecorder::TEntry>{{bmTimeBaseChanged, 0, nullptr}}));

    rig.Recorder.Clear();
    rig.Bus.Broadcast(bmHotkeyTimeBase, 1, nullptr);
    rig.Bus.Broadcast(bmHotkeyTimeBase, 1, nullptr);
    EXPECT_EQ(rig.R().TimeBase, 16);
    EXPECT_EQ(rig.Recorder.Count(bmTimeBaseChanged), 2u);
    EXPECT_FALSE(rig.Controller.SamplingImage->isHidden()) << "row 16 is on equivalent time";
    EXPECT_FALSE(rig.Controller.SamplingProgressBarA->isHidden());
    EXPECT_FALSE(rig.Controller.SamplingProgressBarB->isHidden());

    // At the last row the key moves nothing and nothing is sent; the same at the first row downwards.
    rig.Controller.TimeBaseBar->setValue(22);
    rig.Recorder.Clear();
    rig.Bus.Broadcast(bmHotkeyTimeBase, 1, nullptr);
    EXPECT_EQ(rig.R().TimeBase, 22);
    EXPECT_EQ(rig.Recorder.Messages(), (std::vector<int32_t>{bmHotkeyTimeBase}));
    rig.Controller.TimeBaseBar->setValue(0);
    rig.Recorder.Clear();
    rig.Bus.Broadcast(bmHotkeyTimeBase, -1, nullptr);
    EXPECT_EQ(rig.R().TimeBase, 0);
    EXPECT_EQ(rig.Recorder.Messages(), (std::vector<int32_t>{bmHotkeyTimeBase}));
}

TEST(TimeBaseWrapper, VerticalCursorLabelsShowTheirTimesOrNA) {
    const struct Case {
        const char *what;
        bool on;
        int32_t p0, p1;
        double ratio;
        int32_t displayStart;
        bool quickView;
        int32_t quickViewStart;
        double latency;
        const char *red, *time, *freq;
    } cases[] = {
        // 2.5 MHz, trigger sample 4096 of 8192: the cursor at sample 50 lies 4046 samples before it.
        {"100 points apart", true, 50, 150, 1, 0, false, 0, 0, "-1.618ms", "40us", "25kHz"},
        {"cursors in the other order", true, 150, 50, 1, 0, false, 0, 0, "-1.578ms", "40us", "25kHz"},
        {"two samples a point", true, 50, 150, 2, 0, false, 0, 0, "-1.598ms", "80us", "12.5kHz"},
        {"from the display start", true, 50, 150, 1, 4000, false, 0, 0, "-18.4us", "40us", "25kHz"},
        {"within the quick view's slice", true, 50, 150, 1, 4000, true, 100, 0, "21.6us", "40us", "25kHz"},
        {"the trigger latency", true, 50, 150, 1, 0, false, 0, 2e-6, "-1.62ms", "40us", "25kHz"},
        {"equal cursors", true, 80, 80, 1, 0, false, 0, 0, "-1.606ms", "0s", "N/A"},
        {"no samples per point", true, 50, 150, 0, 0, false, 0, 0, "-1.638ms", "0s", "N/A"},
        {"cursors hidden", false, 50, 150, 1, 0, false, 0, 0, "N/A", "N/A", "N/A"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TTimeBaseRig rig;
        TSettingsTarn &s = rig.Settings;
        s.ShownSettings().MemorySize = 8192;
        s.ShownSettings().AfterTrigger = 4096;
        s.VerCursorsOn = c.on;
        s.SetVerCursorPos(0, c.p0);
        s.SetVerCursorPos(1, c.p1);
        s.DisplayRatio = c.ratio;
        s.DisplayStart = c.displayStart;
        s.QuickViewOn = c.quickView;
        s.QuickViewStart = c.quickViewStart;
        s.TriggerLatency = c.latency;
        rig.Bus.Broadcast(bmVerCursorMoved, 0, nullptr);
        EXPECT_EQ(rig.Text(rig.Controller.RedCursorLabel), c.red);
        EXPECT_EQ(rig.Text(rig.Controller.CursorsTimeLabel), c.time);
        EXPECT_EQ(rig.Text(rig.Controller.CursorsFreqLabel), c.freq);
    }
}

TEST(TimeBaseWrapper, EveryMessageOfTheViewRefreshesTheLabels) {
    for (int32_t msg : {bmVerCursorsToggled, bmHorCursorsToggled, bmScreenDataReady, bmZoomChanged,
                        bmDisplayWindowChanged, bmHorCursorMoved, bmVerCursorMoved}) {
        SCOPED_TRACE(msg);
        TTimeBaseRig rig;
        rig.Settings.DisplayRatio = 4;
        rig.Settings.VerCursorsOn = false;
        rig.Bus.Broadcast(msg, 0, nullptr);
        EXPECT_EQ(rig.Text(rig.Controller.TimeBaseNowLabel), "80us/d");
        EXPECT_EQ(rig.Text(rig.Controller.CursorsFreqLabel), "N/A");
    }
}

TEST(TimeBaseWrapper, ARateThatIsNotPositiveGivesZeroTimesAndFrequencies) {
    TTimeBaseRig rig;
    TSettingsTarn &s = rig.Settings;
    s.TimeBaseList()[11].SampleRate = 0;
    s.VerCursorsOn = true;
    s.SetVerCursorPos(0, 50);
    s.SetVerCursorPos(1, 150);
    rig.Bus.Broadcast(bmZoomChanged, 0, nullptr);
    EXPECT_EQ(rig.Text(rig.Controller.TimeBaseNowLabel), "0s/d");
    EXPECT_EQ(rig.Text(rig.Controller.TimeBaseDataLabel), "0s/d");
    EXPECT_EQ(rig.Text(rig.Controller.SamplingRateLabel), "0Hz");
    EXPECT_EQ(rig.Text(rig.Controller.CursorsTimeLabel), "0s");
    EXPECT_EQ(rig.Text(rig.Controller.CursorsFreqLabel), "0Hz");
    EXPECT_EQ(rig.Text(rig.Controller.RedCursorLabel), "0s");
}

TEST(TimeBaseWrapper, WithoutTimeBasesNoRowIsReadAndTheLabelsStayEmpty) {
    TTimeBaseRig rig(false);
    rig.Settings.VerCursorsOn = true;
    rig.Bus.Broadcast(bmZoomChanged, 0, nullptr);
    rig.Bus.Broadcast(bmHotkeyTimeBase, 1, nullptr);
    EXPECT_EQ(rig.R().TimeBase, 0);
    EXPECT_EQ(rig.Controller.TimeBaseBar->maximum(), 0);
    for (QLabel *l :
         {rig.Controller.TimeBaseNowLabel, rig.Controller.TimeBaseDataLabel, rig.Controller.SamplingRateLabel,
          rig.Controller.CursorsTimeLabel, rig.Controller.CursorsFreqLabel, rig.Controller.RedCursorLabel})
        EXPECT_EQ(rig.Text(l), "") << l->objectName().toStdString();
    EXPECT_EQ(rig.Recorder.Count(bmTimeBaseChanged), 0u);
}

TEST(TimeBaseWrapper, SamplingProgressReachesBothBarsAndANullFillChangesNothing) {
    TTimeBaseRig rig;
    int32_t b = 64;
    rig.Bus.Broadcast(bmSamplingProgress, 97, &b);
    EXPECT_EQ(rig.Controller.SamplingProgressBarA->Progress(), 97);
    EXPECT_EQ(rig.Controller.SamplingProgressBarB->Progress(), 64);
    rig.Bus.Broadcast(bmSamplingProgress, 10, nullptr);
    EXPECT_EQ(rig.Controller.SamplingProgressBarA->Progress(), 97);
    EXPECT_EQ(rig.Controller.SamplingProgressBarB->Progress(), 64);
    // A driver may report more than 100; the value is kept, the paint limits it.
    b = 150;
    rig.Bus.Broadcast(bmSamplingProgress, 120, &b);
    EXPECT_EQ(rig.Controller.SamplingProgressBarB->Progress(), 150);
}

TEST(TimeBaseWrapper, ASecondInitialisationLeavesOneHandlerPerEvent) {
    TTimeBaseRig rig;
    rig.Bus.Broadcast(bmInitialize, 0, nullptr);
    rig.Recorder.Clear();
    rig.Controller.TimeBaseBar->setValue(12);
    EXPECT_EQ(rig.Recorder.Count(bmTimeBaseChanged), 1u);
}

} // namespace
} // namespace scope
