#include "controllers/VerticalWrapperTarn.h"

#include "bus/ObjMasterTarn.h"
#include "controls/ChannelButtonTarn.h"
#include "controls/GlyphRotateBtnTarn.h"
#include "controls/RangeBarTarn.h"
#include "controls/UpDownSpeedButton.h"
#include "device/DemoDevice.h"
#include "settings/OptionsTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/BusRecorder.h"
#include "testkit/ui/QtTestKit.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>

namespace scope {
namespace {

// The controller with the three boxes' controls, on a bus with a recorder, with the demonstration
// instrument's capabilities (9 ranges, shift 0..4095) and its start-up defaults.
struct TVerticalRig {
    TTestAppFirst App;
    TObjMasterTarn Bus;
    TSettingsTarn Settings;
    QWidget Vertical, Input, Position;
    TVerticalWrapperTarn Controller;
    TBusRecorder Recorder;

    TVerticalRig() {
        Settings.SetDefaultCapabilities();
        TDAO_DEMO().GetCapabilities(Settings);
        Position.resize(105, 140);
        MakeVerticalControls(&Vertical, &Input, &Position, &Settings, Controller);
        Controller.SetSettings(&Settings);
        Controller.SetObjMaster(&Bus);
        Recorder.SetObjMaster(&Bus);
        Bus.Broadcast(bmInitialize, 0, nullptr);
        TXMLSettings empty;
        Settings.LoadFromXML(empty);
        BroadcastSettingsApplied(Bus);
        Recorder.Clear();
    }
    TDeviceSettings &R() { return Settings.RequestedSettings(); }
    TVerticalWrapperTarn::TChannelControls &K(int c) { return Controller.Channel[size_t(c)]; }
    std::string Text(QLabel *l) { return l->text().toStdString(); }
    std::string Text(QAbstractButton *b) { return b->text().toStdString(); }
};

TEST(VerticalWrapper, StartsAtTheDefaultsWithTheBarsOverTheShiftRange) {
    TVerticalRig rig;
    for (int c : {0, 1}) {
        SCOPED_TRACE(c);
        EXPECT_EQ(rig.Text(rig.K(c).RangeLabel), "200mV");
        EXPECT_EQ(rig.K(c).ShiftBar->MinValue(), 0);
        EXPECT_EQ(rig.K(c).ShiftBar->MaxValue(), 4095);
        EXPECT_EQ(rig.K(c).ShiftBar->Position(), 2047);
        EXPECT_EQ(rig.K(c).FilterBtn->SelectedItem(), 0);
        EXPECT_EQ(rig.Text(rig.K(c).FilterLabel), "4");
        EXPECT_FALSE(rig.K(c).FilterUp->isEnabled());
        EXPECT_FALSE(rig.K(c).FilterDown->isEnabled());
        EXPECT_FALSE(rig.K(c).GroundBtn->isChecked());
        EXPECT_EQ(rig.K(c).ACDCBtn->SelectedItem(), 1) << "DC";
        EXPECT_EQ(rig.Text(rig.K(c).ProbeBtn), "1:1");
        EXPECT_EQ(rig.K(c).ShiftBar->ChannelID(), c);
        EXPECT_EQ(rig.K(c).RangeUp->ChannelID(), c);
    }
    EXPECT_EQ(rig.K(0).RangeUp->objectName(), "ChannelButtonTarn1");
    EXPECT_EQ(rig.K(1).RangeDown->objectName(), "ChannelButtonTarn4");
    EXPECT_EQ(rig.K(1).FilterUp->objectName(), "UpDownSpeedButton12");
    EXPECT_EQ(rig.K(0).ACDCBtn->objectName(), "GlyphRotateBtnTarn9");
    EXPECT_EQ(rig.K(1).ProbeBtn->toolTip(), "Probe type channel B");
}

TEST(VerticalWrapper, ClampBringsLoadedValuesWithinTheDeviceLimitsAndTheControlsShowThem) {
    const struct Case {
        const char *what;
        int32_t range, shift, factor, probe;
        int32_t rangeAfter, shiftAfter, factorAfter, probeAfter;
        const char *rangeText, *probeText;
    } cases[] = {
        {"within", 3, 100, 8, 2, 3, 100, 8, 2, "100mV", "1:100"},
        {"range below the list", -1, 0, 2, 3, 0, 0, 2, 3, "10mV", "1:1k"},
        {"range at the row count", 9, 4095, 64, 0, 8, 4095, 64, 0, "5V", "1:1"},
        {"far out", 99, -5, 100, 7, 8, 0, 64, 0, "5V", "1:1"},
        {"factor 0 and shift above", 4, 5000, 0, -1, 4, 4095, 2, 0, "200mV", "1:1"},
        {"odd factor stays odd", 4, 2048, 3, 1, 4, 2048, 3, 1, "200mV", "1:10"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TVerticalRig rig;
        for (size_t ch : {0u, 1u}) {
            rig.R().Range[ch] = c.range;
            rig.R().Shift[ch] = c.shift;
            rig.R().FilterFactor[ch] = c.factor;
            rig.R().ProbeMode[ch] = c.probe;
        }
        rig.Bus.Broadcast(bmSettingsApplied, ssLimits, nullptr);
        for (int ch : {0, 1}) {
            EXPECT_EQ(rig.R().Range[size_t(ch)], c.rangeAfter);
            EXPECT_EQ(rig.R().Shift[size_t(ch)], c.shiftAfter);
            EXPECT_EQ(rig.R().FilterFactor[size_t(ch)], c.factorAfter);
            EXPECT_EQ(rig.R().ProbeMode[size_t(ch)], c.probeAfter);
            EXPECT_EQ(rig.Text(rig.K(ch).RangeLabel), c.rangeText);
            EXPECT_EQ(rig.Text(rig.K(ch).ProbeBtn), c.probeText);
            EXPECT_EQ(rig.Text(rig.K(ch).FilterLabel), std::to_string(c.factorAfter));
            EXPECT_EQ(rig.K(ch).ShiftBar->Position(), c.shiftAfter);
        }
        EXPECT_EQ(rig.Recorder.Messages(), std::vector<int32_t>{bmSettingsApplied})
            << "stage 1 announces nothing";
    }
}

TEST(VerticalWrapper, EveryButtonActsOnItsOwnChannelAndAnnouncesWhatTheDeviceMustKnow) {
    // Range: up on A twice, down on B five times; the other channel stays.
    {
        TVerticalRig rig;
        for (int i = 0; i < 2; ++i)
            rig.K(0).RangeUp->click();
        for (int i = 0; i < 5; ++i)
            rig.K(1).RangeDown->click();
        EXPECT_EQ(rig.R().Range, (TIntArray{6, 0}));
        EXPECT_EQ(rig.Text(rig.K(0).RangeLabel), "1V");
        EXPECT_EQ(rig.Text(rig.K(1).RangeLabel), "10mV");
        // Every click is announced with its channel, the one at row 0 as well.
        std::vector<TBusRecorder::TEntry> expected{{bmRangeChanged, 0, nullptr},
                                                   {bmRangeChanged, 0, nullptr}};
        for (int i = 0; i < 5; ++i)
            expected.push_back({bmRangeChanged, 1, nullptr});
        EXPECT_EQ(rig.Recorder.Log, expected);
    }
    // Coupling, probe and ground of one channel leave the other alone.
    {
        TVerticalRig rig;
        LeftClick(rig.K(0).ACDCBtn);
        EXPECT_EQ(rig.R().DCCoupling, (TBoolArray{0, 1}));
        EXPECT_EQ(rig.K(0).ACDCBtn->SelectedItem(), 0);
        EXPECT_EQ(rig.Recorder.Log, (std::vector<TBusRecorder::TEntry>{{bmCouplingChanged, 0, nullptr}}));
        rig.Recorder.Clear();

        std::vector<std::string> captions;
        for (int i = 0; i < 5; ++i) {
            rig.K(1).ProbeBtn->click();
            captions.push_back(rig.Text(rig.K(1).ProbeBtn));
        }
        EXPECT_EQ(captions, (std::vector<std::string>{"1:10", "1:100", "1:1k", "1:1", "1:10"}));
        EXPECT_EQ(rig.R().ProbeMode, (TIntArray{0, 1}));
        EXPECT_EQ(rig.Recorder.Count(bmProbeChanged), 5u);
        for (const auto &e : rig.Recorder.Log)
            EXPECT_EQ(e.Param, 1);
        rig.Recorder.Clear();

        rig.K(0).GroundBtn->click();
        EXPECT_EQ(rig.R().Ground, (TBoolArray{1, 0}));
        EXPECT_TRUE(rig.K(0).GroundBtn->isChecked());
        rig.K(0).GroundBtn->click();
        EXPECT_EQ(rig.R().Ground, (TBoolArray{0, 0}));
        EXPECT_FALSE(rig.K(0).GroundBtn->isChecked());
        EXPECT_TRUE(rig.Recorder.Log.empty()) << "ground is not announced";
    }
}

TEST(VerticalWrapper, TheFilterFactorStepsOnlyWhileTheFilterIsOnAndStopsAtTheEnds) {
    TVerticalRig rig;
    // Off: the factor buttons are disabled and a press changes nothing.
    LeftClick(rig.K(1).FilterUp);
    EXPECT_EQ(rig.R().FilterFactor, (TIntArray{4, 4}));

    LeftClick(rig.K(1).FilterBtn);
    EXPECT_EQ(rig.R().FilterOn, (TBoolArray{0, 1}));
    EXPECT_EQ(rig.K(1).FilterBtn->SelectedItem(), 1);
    EXPECT_TRUE(rig.K(1).FilterUp->isEnabled());
    EXPECT_FALSE(rig.K(0).FilterUp->isEnabled());

    std::vector<std::string> labels;
    for (int i = 0; i < 5; ++i) {
        LeftClick(rig.K(1).FilterUp);
        labels.push_back(rig.Text(rig.K(1).FilterLabel));
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"8", "16", "32", "64", "64"}));
    labels.clear();
    for (int i = 0; i < 6; ++i) {
        LeftClick(rig.K(1).FilterDown);
        labels.push_back(rig.Text(rig.K(1).FilterLabel));
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"32", "16", "8", "4", "2", "2"}));
    EXPECT_EQ(rig.R().FilterFactor[0], 4);

    // An odd loaded factor stays odd on the way down until it reaches the bound.
    rig.R().FilterFactor[1] = 9;
    rig.Bus.Broadcast(bmSettingsApplied, ssLimits, nullptr);
    rig.Recorder.Clear();
    LeftClick(rig.K(1).FilterDown);
    EXPECT_EQ(rig.R().FilterFactor[1], 4);

    LeftClick(rig.K(1).FilterBtn);
    EXPECT_EQ(rig.R().FilterOn, (TBoolArray{0, 0}));
    EXPECT_FALSE(rig.K(1).FilterDown->isEnabled());
    EXPECT_TRUE(rig.Recorder.Log.empty()) << "filter changes are not announced";
}

TEST(VerticalWrapper, ShiftBarsAndShiftHotKeysMoveTheShiftWithinTheLimits) {
    TVerticalRig rig;
    // A drag of B's pointer to the top of its bar.
    TRangeBarTarn &bar = *rig.K(1).ShiftBar;
    const int y = bar.RangeBarY(bar.Position());
    auto mouse = [&](QEvent::Type type, int at) {
        const QPointF p(8, at);
        QMouseEvent e(type, p, bar.mapToGlobal(p), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&bar, &e);
    };
    mouse(QEvent::MouseButtonPress, y);
    mouse(QEvent::MouseMove, 0);
    mouse(QEvent::MouseButtonRelease, 0);
    EXPECT_EQ(rig.R().Shift, (TIntArray{2047, 4095}));

    // Hot keys: 128 a step, held at the maximum, other channels ignored.
    rig.Bus.Broadcast(bmHotkeyShiftUp, 1, nullptr);
    EXPECT_EQ(rig.R().Shift[1], 4095);
    rig.Bus.Broadcast(bmHotkeyShiftUp, 0, nullptr);
    rig.Bus.Broadcast(bmHotkeyShiftUp, 0, nullptr);
    EXPECT_EQ(rig.R().Shift[0], 2047 + 256);
    rig.Bus.Broadcast(bmHotkeyShiftDown, 1, nullptr);
    EXPECT_EQ(rig.R().Shift, (TIntArray{2047 + 256, 4095 - 128}));
    EXPECT_EQ(rig.K(1).ShiftBar->Position(), 4095 - 128);
    for (int32_t channel : {-1, 2, 7}) {
        rig.Bus.Broadcast(bmHotkeyShiftUp, channel, nullptr);
        rig.Bus.Broadcast(bmHotkeyShiftDown, channel, nullptr);
        rig.Bus.Broadcast(bmHotkeyRangeUp, channel, nullptr);
        rig.Bus.Broadcast(bmHotkeyRangeDown, channel, nullptr);
    }
    EXPECT_EQ(rig.R().Shift, (TIntArray{2047 + 256, 4095 - 128}));
    EXPECT_EQ(rig.R().Range, (TIntArray{4, 4}));

    // Every message the recorder saw is one of the hot keys sent here: the shift is never announced.
    for (const auto &e : rig.Recorder.Log)
        EXPECT_GE(e.Msg, bmHotkeyRangeDown) << e.Msg;
}

TEST(VerticalWrapper, RangeHotKeysClickTheirChannelsButtons) {
    TVerticalRig rig;
    rig.Bus.Broadcast(bmHotkeyRangeUp, 1, nullptr);
    rig.Bus.Broadcast(bmHotkeyRangeUp, 1, nullptr);
    rig.Bus.Broadcast(bmHotkeyRangeDown, 0, nullptr);
    EXPECT_EQ(rig.R().Range, (TIntArray{3, 6}));
    EXPECT_EQ(rig.Text(rig.K(1).RangeLabel), "1V");
    std::vector<TBusRecorder::TEntry> changes = rig.Recorder.Of(bmRangeChanged);
    EXPECT_EQ(changes,
              (std::vector<TBusRecorder::TEntry>{
                  {bmRangeChanged, 1, nullptr}, {bmRangeChanged, 1, nullptr}, {bmRangeChanged, 0, nullptr}}));
}

TEST(VerticalWrapper, TheDeviceShiftMovesOnlyItsBarAndSendsNothing) {
    TVerticalRig rig;
    int32_t shift = 1000;
    rig.Bus.Broadcast(bmShiftValueSet, 1, &shift);
    EXPECT_EQ(rig.K(1).ShiftBar->Position(), 1000);
    EXPECT_EQ(rig.K(0).ShiftBar->Position(), 2047);
    EXPECT_EQ(rig.R().Shift, (TIntArray{2047, 1000}));
    // Beyond the bar's range the bar keeps the limit, and so does the setting.
    shift = 9000;
    rig.Bus.Broadcast(bmShiftValueSet, 0, &shift);
    EXPECT_EQ(rig.R().Shift, (TIntArray{4095, 1000}));
    // Another channel or no value moves nothing.
    shift = 5;
    rig.Bus.Broadcast(bmShiftValueSet, 2, &shift);
    rig.Bus.Broadcast(bmShiftValueSet, -1, &shift);
    rig.Bus.Broadcast(bmShiftValueSet, 1, nullptr);
    EXPECT_EQ(rig.R().Shift, (TIntArray{4095, 1000}));
    EXPECT_EQ(rig.Recorder.Messages(), (std::vector<int32_t>(5, bmShiftValueSet)));
}

TEST(VerticalWrapper, AVerticalDragOfALiveTraceAddsToItsPendingGroundMove) {
    const struct Case {
        const char *what;
        bool allowed;
        bool withIndex;
        int32_t trace;
        double moveA, moveB;
    } cases[] = {
        {"A", true, true, 0, -10, 0},
        {"B", true, true, 1, 0, -10},
        {"a module channel", true, true, 2, 0, 0},
        {"a loaded trace", true, true, 4, 0, 0},
        {"a negative index", true, true, -1, 0, 0},
        {"no index", true, false, 0, 0, 0},
        {"option off", false, true, 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TVerticalRig rig;
        SetBoolOption(rig.Settings, opDispAllowVerticalChange, c.allowed);
        int32_t trace = c.trace;
        rig.Bus.Broadcast(bmTraceDraggedY, -4, c.withIndex ? &trace : nullptr);
        rig.Bus.Broadcast(bmTraceDraggedY, -6, c.withIndex ? &trace : nullptr);
        EXPECT_EQ(rig.R().GroundPositionMove, (TDoubleArray{c.moveA, c.moveB}));
        EXPECT_EQ(rig.R().Shift, (TIntArray{2047, 2047})) << "the device answers with the new shift";
    }
}

TEST(VerticalWrapper, ASecondInitialisationLeavesOneHandlerPerEvent) {
    TVerticalRig rig;
    rig.Bus.Broadcast(bmInitialize, 0, nullptr);
    rig.Recorder.Clear();
    rig.K(0).RangeUp->click();
    LeftClick(rig.K(1).ACDCBtn);
    EXPECT_EQ(rig.R().Range[0], 5);
    EXPECT_EQ(rig.R().DCCoupling[1], 0);
    EXPECT_EQ(rig.Recorder.Messages(), (std::vector<int32_t>{bmRangeChanged, bmCouplingChanged}));
}

TEST(VerticalWrapper, TheFinalStageRedrawsTheBarsInTheNewChannelColours) {
    TVerticalRig rig;
    TRangeBarTarn &bar = *rig.K(0).ShiftBar;
    const int before = bar.RedrawCount();
    static_cast<TColorArrayOption *>(rig.Settings.Options->GetOption(opColorChannels))->Colors[0] =
        0x0000FF; // red
    rig.Bus.Broadcast(bmSettingsApplied, ssFinal, nullptr);
    EXPECT_GT(bar.RedrawCount(), before);
    const int cx = bar.width() / 2;
    EXPECT_EQ(bar.Bitmap().pixelColor(cx, bar.RangeBarY(bar.MaxValue()) + 10), QColor(255, 0, 0));
}

} // namespace
} // namespace scope
