#include "controllers/TriggerWrapperTarn.h"

#include "MainForm.h"
#include "acquisition/MasterTimerTarn.h"
#include "controllers/ParamWrapperTarn.h"

#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "controls/GlyphRotateBtnTarn.h"
#include "controls/HLEditTarn.h"
#include "controls/LogScrollBarTarn.h"
#include "controls/StatusLampTarn.h"
#include "controls/UpDownSpeedButton.h"
#include "device/DemoDevice.h"
#include "settings/SettingsTarn.h"
#include "testkit/BusRecorder.h"
#include "testkit/ui/QtTestKit.h"

#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <functional>
#include <gtest/gtest.h>

namespace scope {
namespace {

// The demonstration instrument's limits and default settings, the two group boxes made as on the main
// form, the controller and a recorder on one bus.
struct TTriggerFixture : ::testing::Test {
    TTestAppFirst App;
    TObjMasterTarn Bus;
    TSettingsTarn S;
    TDataSourceTarn Source;
    QGroupBox ModeBox, Box;
    QAction Compensation{"Compensation generator", nullptr};
    TTriggerWrapperTarn T;
    TBusRecorder Rec;

    TTriggerFixture() {
        TDAO_DEMO demo;
        demo.GetCapabilities(S);
        S.Document.ResetRoot();
        S.LoadFromXML(S.Document);
        MakeTriggerControls(&ModeBox, &Box, T);
        Compensation.setCheckable(true);
        T.SetCompensationGeneratorOnOff(&Compensation);
        T.DataSource = &Source;
        T.SetSettings(&S);
        T.SetObjMaster(&Bus);
        Source.SetSettings(&S);
        Rec.SetObjMaster(&Bus);
    }
    TDeviceSettings &R() { return S.RequestedSettings(); }
    void Apply() {
        BroadcastSettingsApplied(Bus);
        Rec.Clear();
    }
    // Simple off and the after-trigger and hold-off modes on Set.
    void ApplyFree() {
        S.SimpleTrigger = false;
        S.ATMode = 2;
        S.HFMode = 1;
        Apply();
    }
    QString Caption(QAbstractButton *b) { return b->text(); }
};

TEST_F(TTriggerFixture, StageFiveNormalisesAndShowsTheDefaults) {
    Apply();
    EXPECT_EQ(R().TriggerLength[0], 8) << "simple is on by default";
    EXPECT_EQ(T.TriggerModeBtn->text(), "Auto");
    EXPECT_EQ(T.AfterTriggerBtn->text(), "HSC");
    EXPECT_EQ(T.AfterTriggerValueBtn->text(), "s");
    EXPECT_EQ(T.HoldOffBtn->text(), "Auto");
    EXPECT_FALSE(T.HoldOffBtn->isEnabled()) << "simple forces Auto";
    EXPECT_FALSE(T.FlagBtn->isEnabled());
    EXPECT_EQ(T.TriggerStatusShp->BrushColor(), LampGreen);
    EXPECT_EQ(T.LampState(), 2);
    EXPECT_TRUE(T.PrimarySrcABtn->isChecked());
    EXPECT_FALSE(T.PrimarySrcBBtn->isChecked());
    EXPECT_TRUE(T.PrimaryEdgeABtn->isEnabled());
    EXPECT_FALSE(T.PrimaryEdgeBBtn->isEnabled());
    EXPECT_EQ(T.PrimaryEdgeABtn->SelectedItem(), 0) << "leading edge";
    EXPECT_EQ(T.SecondaryEdgeABtn->SelectedItem(), 1);
    EXPECT_EQ(T.PrimaryLengthBox->Text(), "3.2us");
    EXPECT_EQ(T.PrimaryAmountBox->Text(), "1");
    EXPECT_EQ(T.AfterTriggerBox->Text(), "1.638ms");
    EXPECT_FALSE(T.AfterTriggerBox->isEnabled());
    EXPECT_TRUE(T.SimpleBtn->isChecked());
    for (QWidget *w :
         std::initializer_list<QWidget *>{T.SecondarySrcABtn, T.SecondarySrcEBtn, T.PrimaryAmountBox,
                                          T.SecondaryLengthBox, T.PrimaryLengthUp, T.SecondaryAmountDown})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(T.HoldBtn->isHidden());
    EXPECT_TRUE(T.HoldCommonBtn->isHidden());
    EXPECT_TRUE(T.HoldABtn->isHidden());
    EXPECT_EQ(T.PrimaryEdgeABtn->ChannelID(), 0);
    EXPECT_EQ(T.PrimaryEdgeBBtn->ChannelID(), 1);
    EXPECT_EQ(T.SecondaryEdgeEBtn->ChannelID(), -1);
    EXPECT_EQ(T.SecondaryEdgeEBtn->ChannelColor(), 0xFF0000u);
    EXPECT_EQ(T.SecondaryEdgeEBtn->objectName(), "GlyphRotateBtnTarn4");
    EXPECT_EQ(T.AfterTriggerBar->objectName(), "LogScrollBarTarn1");
    // Applying the settings again sends nothing of its own.
    BroadcastSettingsApplied(Bus);
    EXPECT_EQ(Rec.Messages(), std::vector<int32_t>(SettingsStageCount, bmSettingsApplied));
}

TEST_F(TTriggerFixture, ModeButtonStepsAndTheStartButtonOnlyServesSingleAndManual) {
    R().TriggerMode = -1;
    Apply();
    EXPECT_EQ(T.TriggerModeBtn->text(), "Manual");
    EXPECT_TRUE(T.FlagBtn->isEnabled());
    const char *const names[] = {"Auto", "Normal", "Single", "Manual", "Auto"};
    for (int k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        T.TriggerModeBtn->click();
        EXPECT_EQ(R().TriggerMode, k % 4);
        EXPECT_EQ(T.TriggerModeBtn->text(), names[k]);
        EXPECT_EQ(T.FlagBtn->isEnabled(), R().TriggerMode >= 2);
    }
}

TEST_F(TTriggerFixture, AfterASecondStageFiveOneClickIsOneStep) {
    ApplyFree();
    BroadcastSettingsApplied(Bus);
    BroadcastSettingsApplied(Bus);
    Rec.Clear();
    T.TriggerModeBtn->click();
    EXPECT_EQ(R().TriggerMode, 1);
    LeftClick(T.PrimaryLengthUp, QPointF(3, 3));
    EXPECT_EQ(R().TriggerLength[0], 8);
    T.SecondarySrcBBtn->click();
    EXPECT_EQ(Rec.Count(bmTriggerSourceToggled), 1u);
    EXPECT_EQ(R().TriggerSourceOn[1][1], 1);
    T.AfterTriggerBtn->click();
    EXPECT_EQ(S.ATMode, 3);
    EXPECT_EQ(Rec.Count(bmPostTriggerChanged), 1u);
}

TEST_F(TTriggerFixture, LengthStepsSkipTheOneStepLengthAndAreRemembered) {
    ApplyFree();
    R().TriggerLength = {0, 0};
    T.UpdateTriggerControls();
    LeftClick(T.PrimaryLengthUp, QPointF(3, 3));
    EXPECT_EQ(R().TriggerLength[0], 8) << "0 + 4 is one step, skipped";
    EXPECT_EQ(T.PrimaryLengthBox->Text(), "3.2us");
    EXPECT_DOUBLE_EQ(T.Times().LengthTime[0], 8 / 2.5e6);
    LeftClick(T.PrimaryLengthUp, QPointF(3, 3));
    EXPECT_EQ(R().TriggerLength[0], 12);
    LeftClick(T.PrimaryLengthDown, QPointF(3, 3));
    LeftClick(T.PrimaryLengthDown, QPointF(3, 3));
    EXPECT_EQ(R().TriggerLength[0], S.LengthMin) << "8 - 4 is one step, the minimum";
    EXPECT_DOUBLE_EQ(T.Times().LengthTime[0], 0);
    LeftClick(T.SecondaryLengthUp, QPointF(3, 3));
    EXPECT_EQ(R().TriggerLength[1], 8);
    EXPECT_EQ(R().TriggerLength[0], 0);
}

TEST_F(TTriggerFixture, TypedValuesBecomeCountsAndTheCountEnterForcesBothBoxes) {
    ApplyFree();
    T.SecondaryAmountBox->setText("77x"); // typed, no Enter
    ASSERT_TRUE(T.SecondaryAmountBox->Edited());
    TypeAndEnter(T.PrimaryAmountBox, "5");
    EXPECT_EQ(R().TriggerCount[0], 5);
    EXPECT_EQ(T.PrimaryAmountBox->text(), "5");
    EXPECT_EQ(T.SecondaryAmountBox->text(), "1") << "the other box is rewritten too";
    EXPECT_FALSE(T.SecondaryAmountBox->Edited());
    TypeAndEnter(T.SecondaryAmountBox, "99999");
    EXPECT_EQ(R().TriggerCount[1], S.CountMax);
    EXPECT_EQ(T.SecondaryAmountBox->text(), "32767");
    LeftClick(T.SecondaryAmountUp, QPointF(3, 3));
    EXPECT_EQ(R().TriggerCount[1], S.CountMax);
    LeftClick(T.PrimaryAmountDown, QPointF(3, 3));
    EXPECT_EQ(R().TriggerCount[0], 4);

    // 10 us at 2.5 MS/s: 25 periods, a multiple of 4: 24.
    T.SecondaryLengthBox->setText("1s");
    TypeAndEnter(T.PrimaryLengthBox, "10us");
    EXPECT_EQ(R().TriggerLength[0], 24);
    EXPECT_EQ(T.PrimaryLengthBox->text(), "9.6us");
    EXPECT_EQ(T.SecondaryLengthBox->text(), "0s");
    EXPECT_DOUBLE_EQ(T.Times().LengthTime[0], 24 / 2.5e6);

    Rec.Clear();
    TypeAndEnter(T.AfterTriggerBox, "100us");
    EXPECT_EQ(R().AfterTrigger, 250);
    EXPECT_EQ(T.AfterTriggerBox->text(), "100us");
    EXPECT_EQ(Rec.Messages(), std::vector<int32_t>{bmPostTriggerChanged});
    TypeAndEnter(T.AfterTriggerBox, "1000s");
    EXPECT_EQ(R().AfterTrigger, S.AfterTriggerMax) << "saturated before the clamps";

    T.AfterTriggerValueBtn->click();
    EXPECT_EQ(T.AfterTriggerValueBtn->text(), "%");
    EXPECT_EQ(T.AfterTriggerBox->text(), "12800%");
    TypeAndEnter(T.AfterTriggerBox, "25%");
    EXPECT_EQ(R().AfterTrigger, 2048);
    EXPECT_EQ(T.AfterTriggerBox->text(), "25%");

    TypeAndEnter(T.HoldOffBox, "1ms");
    EXPECT_EQ(R().HoldOff, 2500);
    EXPECT_EQ(T.HoldOffBox->text(), "1ms");
}

TEST_F(TTriggerFixture, TextsThatDoNotParseChangeNothingAndStayRed) {
    ApplyFree();
    const struct {
        THLEditTarn *TTriggerWrapperTarn::*Box;
        const char *Text;
        int32_t Unit;
    } cases[] = {
        {&TTriggerWrapperTarn::PrimaryAmountBox, "abc", 0},
        {&TTriggerWrapperTarn::SecondaryAmountBox, "", 0},
        {&TTriggerWrapperTarn::SecondaryAmountBox, "1.5", 0},
        {&TTriggerWrapperTarn::PrimaryLengthBox, "", 0},
        {&TTriggerWrapperTarn::PrimaryLengthBox, "s", 0},
        {&TTriggerWrapperTarn::SecondaryLengthBox, "10xs", 0},
        {&TTriggerWrapperTarn::AfterTriggerBox, "abc", 0},
        {&TTriggerWrapperTarn::AfterTriggerBox, "1.5%", 1},
        {&TTriggerWrapperTarn::HoldOffBox, "fast", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Text);
        S.ATValueMode = c.Unit;
        T.UpdateTriggerControls();
        TXMLSettings before, after;
        S.SaveToXML(before);
        Rec.Clear();
        THLEditTarn *box = T.*c.Box;
        TypeAndEnter(box, c.Text);
        S.SaveToXML(after);
        EXPECT_EQ(before.FileText(), after.FileText());
        EXPECT_TRUE(Rec.Log.empty());
        EXPECT_EQ(box->text(), c.Text);
        EXPECT_TRUE(box->Edited());
        EXPECT_EQ(box->palette().color(QPalette::Base), THLEditTarn::EditedColor());
        // The next fill leaves the typed text alone.
        T.UpdateTriggerControls();
        EXPECT_EQ(box->text(), c.Text);
        box->ForceNextText();
        T.UpdateTriggerControls();
    }
}

TEST_F(TTriggerFixture, PercentKeepsItsShareOverAMemoryChangeAndSecondsKeepTheTimeOverATimeBaseChange) {
    ApplyFree();
    S.ATValueMode = 1;
    T.UpdateTriggerControls();
    TypeAndEnter(T.AfterTriggerBox, "25%");
    ASSERT_EQ(R().AfterTrigger, 2048);
    R().MemorySize = 32768;
    Bus.Broadcast(bmMemorySizeChanged, 0, nullptr);
    EXPECT_EQ(R().AfterTrigger, 8192);
    EXPECT_EQ(T.AfterTriggerBox->text(), "25%");

    T.AfterTriggerValueBtn->click();
    TypeAndEnter(T.AfterTriggerBox, "100us");
    ASSERT_EQ(R().AfterTrigger, 250);
    TypeAndEnter(T.HoldOffBox, "1ms");
    ASSERT_EQ(R().HoldOff, 2500);
    // As the time-base controller announces one step right: 5 MS/s.
    R().TimeBase = 12;
    Bus.Broadcast(bmTimeBaseChanged, 0, nullptr);
    EXPECT_EQ(R().AfterTrigger, 500);
    EXPECT_EQ(R().HoldOff, 5000);
    EXPECT_EQ(T.AfterTriggerBox->text(), "100us");
    R().MemorySize = 8192;
    Bus.Broadcast(bmMemorySizeChanged, 0, nullptr);
    EXPECT_EQ(R().AfterTrigger, 500) << "seconds keep the time over a memory change";
}

TEST_F(TTriggerFixture, PulseLengthsFollowTheirTimesUntilTheTimeBaseSettles) {
    ApplyFree();
    TypeAndEnter(T.PrimaryLengthBox, "10us"); // 24 at 2.5 MS/s
    R().TriggerLength[1] = S.LengthMax;
    T.RememberLengthTimes();
    R().TimeBase = 13; // 10 MS/s: 100 and 524272, clamped
    Bus.Broadcast(bmTimeBaseChanged, 0, nullptr);
    EXPECT_EQ(R().TriggerLength[0], 96);
    EXPECT_EQ(R().TriggerLength[1], S.LengthMax);
    R().TimeBase = 11;
    Bus.Broadcast(bmTimeBaseChanged, 0, nullptr);
    EXPECT_EQ(R().TriggerLength[0], 24);
    EXPECT_EQ(R().TriggerLength[1], S.LengthMax) << "back within 20 s: the clamped length returns";

    R().TimeBase = 13;
    Bus.Broadcast(bmTimeBaseChanged, 0, nullptr);
    Bus.Broadcast(bmTimeBaseSettled, 0, nullptr);
    R().TimeBase = 11;
    Bus.Broadcast(bmTimeBaseChanged, 0, nullptr);
    EXPECT_EQ(R().TriggerLength[1], 32768) << "once settled, the clamped count is the reference";
    EXPECT_EQ(R().TriggerLength[0], 24);
}

TEST_F(TTriggerFixture, TheFirstTimeBaseChangeKeepsTheLoadedLengthsAndLongTimesSaturate) {
    S.SimpleTrigger = false;
    S.HFMode = 1;
    R().TriggerLength = {48, 400};
    R().TimeBase = 0;
    R().HoldOff = S.HoldOffMax;
    Apply();
    Bus.Broadcast(bmTimeBaseChanged, 0, nullptr);
    EXPECT_EQ(R().TriggerLength[0], 48);
    EXPECT_EQ(R().TriggerLength[1], 400);
    R().TimeBase = 15; // the fastest row in real time
    Bus.Broadcast(bmTimeBaseChanged, 0, nullptr);
    EXPECT_EQ(R().TriggerLength[0], S.LengthMax);
    EXPECT_EQ(R().HoldOff, S.HoldOffMax);
}

TEST_F(TTriggerFixture, SingleModeStartRequestAndTheLamp) {
    ApplyFree();
    R().TriggerMode = 2;
    T.UpdateTriggerControls();
    ASSERT_TRUE(T.FlagBtn->isEnabled());
    Bus.Broadcast(bmAcquisitionState, 0, nullptr);
    EXPECT_EQ(T.TriggerStatusShp->BrushColor(), LampGreen) << "nothing requested";
    Rec.Clear();
    T.FlagBtn->click();
    EXPECT_TRUE(R().StartRequest);
    EXPECT_EQ(Rec.Messages(), std::vector<int32_t>{bmClearScreen});
    EXPECT_EQ(T.TriggerStatusShp->BrushColor(), LampRed);
    Bus.Broadcast(bmAcquisitionState, 1, nullptr);
    EXPECT_EQ(T.TriggerStatusShp->BrushColor(), LampYellow);
    Bus.Broadcast(bmAcquisitionState, 2, nullptr);
    EXPECT_FALSE(R().StartRequest);
    EXPECT_FALSE(T.FlagBtn->isChecked());
    EXPECT_EQ(T.TriggerStatusShp->BrushColor(), LampGreen);
    Bus.Broadcast(bmAcquisitionState, 0, nullptr);
    EXPECT_EQ(T.TriggerStatusShp->BrushColor(), LampGreen);
    Bus.Broadcast(bmAcquisitionState, 5, nullptr);
    EXPECT_EQ(T.TriggerStatusShp->BrushColor(), LampGrey);

    // Without the option no clear; releasing the button sends 60 as well.
    Bus.Broadcast(bmAcquisitionState, 0, nullptr);
    T.FlagBtn->click();
    EXPECT_EQ(T.TriggerStatusShp->BrushColor(), LampRed);
    Rec.Clear();
    T.FlagBtn->click();
    EXPECT_FALSE(R().StartRequest);
    EXPECT_EQ(Rec.Count(bmClearScreen), 1u);
    SetBoolOption(S, opClearScreenOnFlag, false);
    Rec.Clear();
    T.FlagBtn->click();
    EXPECT_TRUE(R().StartRequest);
    EXPECT_TRUE(Rec.Log.empty());

    // Outside Single and Manual the button is disabled and keeps its state.
    T.TriggerModeBtn->click();
    T.TriggerModeBtn->click();
    T.TriggerModeBtn->click();
    EXPECT_FALSE(T.FlagBtn->isEnabled());
    EXPECT_TRUE(T.FlagBtn->isChecked());
    S.TriggerHold = true;
    Bus.Broadcast(bmAcquisitionState, 0, nullptr);
    EXPECT_EQ(T.TriggerStatusShp->BrushColor(), LampGreen) << "a held trace shows green";
}

// A state message comes three times a record: it refills the controls only when something they show was
// changed since the last fill, by whoever; otherwise only the lamp follows.
TEST_F(TTriggerFixture, StateMessagesRefillTheControlsOnlyWhenTheirInputsChanged) {
    ApplyFree();
    Bus.Broadcast(bmAcquisitionState, 0, nullptr);
    // A stale box text shows whether a message refilled the controls.
    auto stale = [&] { T.PrimaryAmountBox->SetText("stale"); };
    auto refilled = [&] { return T.PrimaryAmountBox->text() == QString::number(R().TriggerCount[0]); };

    stale();
    Bus.Broadcast(bmAcquisitionState, 1, nullptr);
    EXPECT_EQ(T.TriggerStatusShp->BrushColor(), LampYellow) << "the lamp follows every message";
    EXPECT_EQ(T.PrimaryAmountBox->text(), "stale") << "unchanged inputs: no refill";
    Bus.Broadcast(bmAcquisitionState, 0, nullptr);
    EXPECT_EQ(T.TriggerStatusShp->BrushColor(), LampRed);
    EXPECT_EQ(T.PrimaryAmountBox->text(), "stale");

    QString lengthBefore;
    const struct {
        const char *What;
        std::function<void()> Change;
        std::function<bool()> Shown;
    } changes[] = {
        {"count", [&] { R().TriggerCount[0] = 5; }, [&] { return T.PrimaryAmountBox->text() == "5"; }},
        {"slope", [&] { R().TriggerLeading[0][0] = !R().TriggerLeading[0][0]; },
         [&] { return T.PrimaryEdgeABtn->SelectedItem() == (R().TriggerLeading[0][0] ? 0 : 1); }},
        {"source", [&] { R().TriggerSourceOn[0][1] = !R().TriggerSourceOn[0][1]; },
         [&] { return T.PrimarySrcBBtn->isChecked() == (R().TriggerSourceOn[0][1] != 0); }},
        {"time base",
         [&] {
             lengthBefore = T.PrimaryLengthBox->text() + T.HoldOffBox->text();
             R().TimeBase = R().TimeBase == 0 ? int32_t(S.TimeBases.size()) - 1 : 0;
         },
         [&] { return T.PrimaryLengthBox->text() + T.HoldOffBox->text() != lengthBefore; }},
        {"after-trigger mode", [&] { S.ATMode = 1; }, [&] { return T.AfterTriggerBtn->text() == "FSC"; }},
        {"simple trigger", [&] { S.SimpleTrigger = true; }, [&] { return !T.PrimaryAmountUp->isEnabled(); }},
        {"hold", [&] { S.TriggerHold = true; }, [&] { return T.HoldBtn->isChecked(); }},
        {"separate hold option", [&] { SetBoolOption(S, opSeparateHold, true); },
         [&] { return !T.HoldCommonBtn->isHidden() && T.HoldBtn->isHidden(); }},
        {"compensation generator", [&] { R().CompensationGenerator = !R().CompensationGenerator; },
         [&] { return Compensation.isChecked() == R().CompensationGenerator; }},
    };
    for (const auto &c : changes) {
        SCOPED_TRACE(c.What);
        stale();
        c.Change();
        Bus.Broadcast(bmAcquisitionState, 1, nullptr);
        EXPECT_TRUE(refilled());
        EXPECT_TRUE(c.Shown());
        EXPECT_EQ(T.TriggerStatusShp->BrushColor(), S.TriggerHold ? LampGreen : LampYellow);
        stale();
        Bus.Broadcast(bmAcquisitionState, 0, nullptr);
        EXPECT_EQ(T.PrimaryAmountBox->text(), "stale") << "the change was shown once";
    }
}

TEST_F(TTriggerFixture, SourcesSendTheirSetAndSourceAndEdgesFollowTheFrame) {
    ApplyFree();
    QAbstractButton *const buttons[2][3] = {{T.PrimarySrcABtn, T.PrimarySrcBBtn, T.PrimarySrcEBtn},
                                            {T.SecondarySrcABtn, T.SecondarySrcBBtn, T.SecondarySrcEBtn}};
    TGlyphRotateBtnTarn *const edges[2][3] = {
        {T.PrimaryEdgeABtn, T.PrimaryEdgeBBtn, T.PrimaryEdgeEBtn},
        {T.SecondaryEdgeABtn, T.SecondaryEdgeBBtn, T.SecondaryEdgeEBtn}};
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j) {
            SCOPED_TRACE(testing::Message() << i << " " << j);
            const bool was = R().TriggerSourceOn[size_t(i)][size_t(j)] != 0;
            Rec.Clear();
            buttons[i][j]->click();
            ASSERT_EQ(Rec.Log.size(), 1u);
            EXPECT_EQ(Rec.Log[0].Msg, bmTriggerSourceToggled);
            EXPECT_EQ(Rec.Log[0].Param, j | (i << 8));
            EXPECT_EQ(R().TriggerSourceOn[size_t(i)][size_t(j)] != 0, !was);
            EXPECT_EQ(buttons[i][j]->isChecked(), !was);
            EXPECT_EQ(edges[i][j]->isEnabled(), !was);
            if (!was) {
                const bool leading = R().TriggerLeading[size_t(i)][size_t(j)] != 0;
                LeftClick(edges[i][j], QPointF(3, 3));
                EXPECT_EQ(R().TriggerLeading[size_t(i)][size_t(j)] != 0, !leading);
                EXPECT_EQ(edges[i][j]->SelectedItem(), leading ? 1 : 0);
            }
        }
    // Simple turns the secondary sources off and disables them.
    T.SimpleBtn->click();
    EXPECT_TRUE(S.SimpleTrigger);
    EXPECT_EQ(R().TriggerSourceOn[1], (TBoolArray{0, 0, 0}));
    EXPECT_FALSE(T.SecondarySrcABtn->isEnabled());
    EXPECT_FALSE(T.SecondaryEdgeABtn->isEnabled());
    EXPECT_FALSE(T.PrimaryLengthBox->isEnabled());
    EXPECT_EQ(R().TriggerLength[0], 8);
    EXPECT_EQ(S.HFMode, 0);
}

TEST_F(TTriggerFixture, ModesOfAfterTriggerAndHoldOffAndTheirBars) {
    S.SimpleTrigger = false;
    Apply();
    EXPECT_FALSE(T.AfterTriggerBar->isEnabled());
    T.AfterTriggerBtn->click(); // FSC
    EXPECT_EQ(R().AfterTrigger, 8192);
    EXPECT_EQ(T.AfterTriggerBtn->text(), "FSC") << "shown through its own 23";
    EXPECT_EQ(R().HoldOff, S.HoldOffMin);
    T.AfterTriggerBtn->click(); // Set
    EXPECT_TRUE(T.AfterTriggerBar->isEnabled());
    Rec.Clear();
    T.AfterTriggerBar->setValue(T.AfterTriggerBar->value() - 30);
    EXPECT_EQ(R().AfterTrigger, RoundSaturated(T.AfterTriggerBar->LogValue));
    EXPECT_LT(R().AfterTrigger, 8192);
    EXPECT_EQ(Rec.Messages(), std::vector<int32_t>{bmPostTriggerChanged});
    T.AfterTriggerBtn->click(); // Min
    EXPECT_EQ(R().AfterTrigger, S.AfterTriggerMin);
    T.AfterTriggerBtn->click(); // HSC
    EXPECT_EQ(R().AfterTrigger, 4096);

    EXPECT_TRUE(T.HoldOffBtn->isEnabled());
    T.HoldOffBtn->click();
    EXPECT_EQ(S.HFMode, 1);
    EXPECT_EQ(T.HoldOffBtn->text(), "Set");
    EXPECT_TRUE(T.HoldOffBar->isEnabled());
    T.HoldOffBar->setValue(100);
    EXPECT_NEAR(R().HoldOff, 4 * T.HoldOffBar->LogValue, 2.0);
    EXPECT_EQ(R().HoldOff % 4, 0);
    EXPECT_LT(R().HoldOff, 4096);
    T.HoldOffBtn->click();
    EXPECT_EQ(S.HFMode, 0);
    EXPECT_EQ(R().HoldOff, 4096);

    // Handlers of the bars idle while the controls are filled.
    T.Fill([&] {
        T.AfterTriggerBarChange();
        T.HoldOffBarChange();
        T.NextTriggerMode();
        T.FlagClick();
    });
    EXPECT_EQ(R().TriggerMode, 0);
    EXPECT_EQ(R().HoldOff, 4096);
}

TEST_F(TTriggerFixture, DraggedAfterTriggerMarkSetsTheModeOnlyWithTheOption) {
    S.SimpleTrigger = false;
    Apply();
    Bus.Broadcast(bmPostTriggerDragged, 1000, nullptr);
    EXPECT_EQ(S.ATMode, 2);
    EXPECT_EQ(R().AfterTrigger, 1000);
    EXPECT_EQ(Rec.Count(bmPostTriggerChanged), 1u);
    EXPECT_TRUE(T.AfterTriggerBar->isEnabled());

    SetBoolOption(S, opAutosetATMode, false);
    S.ATMode = 0;
    Bus.Broadcast(bmPostTriggerDragged, 1000, nullptr);
    EXPECT_EQ(S.ATMode, 0);
    EXPECT_EQ(R().AfterTrigger, 4096) << "outside Set the mode decides";
}

TEST_F(TTriggerFixture, HoldButtonsCommonAndSeparate) {
    Apply();
    T.HoldBtn->click();
    EXPECT_TRUE(S.TriggerHold);
    T.HoldBtn->click();
    EXPECT_FALSE(S.TriggerHold);

    SetBoolOption(S, opSeparateHold, true);
    BroadcastSettingsApplied(Bus);
    EXPECT_TRUE(T.HoldBtn->isHidden());
    EXPECT_FALSE(T.HoldCommonBtn->isHidden());
    T.HoldABtn->click();
    EXPECT_EQ(R().HoldChannel, (TBoolArray{1, 0}));
    EXPECT_FALSE(S.TriggerHold);
    EXPECT_FALSE(T.HoldCommonBtn->isEnabled());
    EXPECT_TRUE(T.HoldABtn->isChecked());
    EXPECT_FALSE(T.HoldBBtn->isChecked());
    T.HoldBBtn->click();
    EXPECT_TRUE(S.TriggerHold);
    EXPECT_EQ(R().HoldChannel, (TBoolArray{0, 0}));
    EXPECT_TRUE(T.HoldCommonBtn->isEnabled());
    EXPECT_TRUE(T.HoldCommonBtn->isChecked());
    T.HoldCommonBtn->click();
    EXPECT_FALSE(S.TriggerHold);
    EXPECT_FALSE(T.HoldABtn->isChecked());

    // Option off again: the channel holds are cleared.
    R().HoldChannel = {1, 0};
    SetBoolOption(S, opSeparateHold, false);
    BroadcastSettingsApplied(Bus);
    EXPECT_EQ(R().HoldChannel, (TBoolArray{0, 0}));
}

TEST_F(TTriggerFixture, HoldHotKeyTogglesTheHoldWhateverTheButtonsShow) {
    const struct {
        const char *Name;
        bool Separate;
        std::function<void(TTriggerFixture &)> Before;
        bool Hold;
    } cases[] = {
        {"after a click on Hold", false, [](TTriggerFixture &f) { f.T.HoldBtn->click(); }, false},
        {"hold loaded from settings", false, [](TTriggerFixture &f) { f.S.TriggerHold = true; }, false},
        {"nothing held", false, [](TTriggerFixture &) {}, true},
        {"channel A held alone", true, [](TTriggerFixture &f) { f.T.HoldABtn->click(); }, true},
        {"both held", true, [](TTriggerFixture &f) { f.T.HoldCommonBtn->click(); }, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        S.TriggerHold = false;
        R().HoldChannel = {0, 0};
        SetBoolOption(S, opSeparateHold, c.Separate);
        BroadcastSettingsApplied(Bus);
        c.Before(*this);
        Bus.Broadcast(bmHotkeyHold, 0, nullptr);
        EXPECT_EQ(S.TriggerHold, c.Hold);
        EXPECT_EQ(R().HoldChannel, (TBoolArray{0, 0}));
        EXPECT_EQ((c.Separate ? T.HoldCommonBtn : T.HoldBtn)->isChecked(), c.Hold);
        Bus.Broadcast(bmHotkeyHold, 0, nullptr);
        EXPECT_EQ(S.TriggerHold, !c.Hold) << "the next press undoes it";
    }
}

TEST_F(TTriggerFixture, LevelToTheMiddleOfEachSourceChannel) {
    Apply();
    TAcquiredData &waves = Source.Waveforms();
    waves.resize(2);
    waves[0].Data = {10, 200, 50, 90};
    waves[0].First = 0;
    waves[0].Last = 3;
    waves[1].Data = {0, 255};
    waves[1].First = 0;
    waves[1].Last = 1;
    std::vector<std::pair<int32_t, int32_t>> levels;
    Rec.OnMessage = [&](int32_t msg, int32_t param, void *data) {
        if (msg == bmSetTriggerLevel)
            levels.emplace_back(param, *static_cast<int32_t *>(data));
    };
    const struct {
        const char *Name;
        TBoolArray Primary, Secondary;
        std::vector<std::pair<int32_t, int32_t>> Sent;
    } cases[] = {
        {"A primary, B neither", {1, 0, 1}, {0, 0, 0}, {{0, 105}}},
        {"A secondary only", {0, 0, 1}, {1, 0, 0}, {{0, 105}}},
        {"both", {1, 1, 0}, {0, 0, 0}, {{0, 105}, {1, 127}}},
        {"external only", {0, 0, 1}, {0, 0, 1}, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        R().TriggerSourceOn = {c.Primary, c.Secondary};
        levels.clear();
        Rec.Clear();
        T.TriggerHalfBtn->click();
        EXPECT_EQ(levels, c.Sent);
        EXPECT_EQ(Rec.Log.size(), c.Sent.size());
    }
    R().TriggerSourceOn = {TBoolArray{1, 1, 0}, TBoolArray{0, 0, 0}};
    waves[0].MakeEmpty();
    waves[1].Last = 7; // beyond its data
    levels.clear();
    T.TriggerHalfBtn->click();
    EXPECT_EQ(levels, (std::vector<std::pair<int32_t, int32_t>>{{1, 127}}));
}

TEST_F(TTriggerFixture, CompensationGeneratorMarksTheExternalCaptions) {
    Apply();
    EXPECT_FALSE(T.PrimarySrcEBtn->font().bold());
    Compensation.trigger();
    EXPECT_TRUE(R().CompensationGenerator);
    EXPECT_TRUE(Compensation.isChecked());
    for (QAbstractButton *b : {T.PrimarySrcEBtn, T.SecondarySrcEBtn}) {
        EXPECT_TRUE(b->font().bold());
        EXPECT_EQ(b->palette().color(QPalette::Active, QPalette::ButtonText), QColor(255, 0, 0));
    }
    EXPECT_FALSE(T.PrimarySrcABtn->font().bold());
    Compensation.trigger();
    EXPECT_FALSE(R().CompensationGenerator);
    EXPECT_FALSE(T.SecondarySrcEBtn->font().bold());
    EXPECT_EQ(T.SecondarySrcEBtn->palette().color(QPalette::Active, QPalette::ButtonText), QColor(0, 0, 0));
    // Disabled by simple, the caption keeps the style's disabled look.
    EXPECT_FALSE(T.SecondarySrcEBtn->isEnabled());
    EXPECT_EQ(T.SecondarySrcEBtn->palette().color(QPalette::Disabled, QPalette::ButtonText),
              T.SecondarySrcABtn->palette().color(QPalette::Disabled, QPalette::ButtonText));
}

TEST(TriggerPanelOnTheMainForm, ControlsSitInTheirBoxesAndTheMenuItemDrivesTheGenerator) {
    TestApp();
    TScriptedMessages messages;
    TMainForm form(messages);
    TSettingsTarn &s = form.SettingsTarn1();
    TDAO_DEMO demo;
    demo.GetCapabilities(s);
    s.Document.ResetRoot();
    s.LoadFromXML(s.Document);
    TObjMasterTarn &bus = form.ObjMasterTarn1();
    bus.Broadcast(bmInitialize, 0, nullptr);
    BroadcastSettingsApplied(bus);

    const struct {
        QGroupBox *Box;
        std::vector<const char *> Names;
    } boxes[] = {
        {form.GroupBox7,
         {"SpeedButton28", "SpeedButton29", "SpeedButton17", "SpeedButton16", "SpeedButton15"}},
        {form.GroupBox6,
         {"SpeedButton12",       "SpeedButton13",       "SpeedButton14",       "SpeedButton19",
          "SpeedButton20",       "SpeedButton21",       "GlyphRotateBtnTarn1", "GlyphRotateBtnTarn2",
          "GlyphRotateBtnTarn3", "GlyphRotateBtnTarn4", "GlyphRotateBtnTarn5", "GlyphRotateBtnTarn6",
          "HLEditTarn3",         "HLEditTarn4",         "HLEditTarn5",         "HLEditTarn6",
          "UpDownSpeedButton1",  "UpDownSpeedButton2",  "UpDownSpeedButton3",  "UpDownSpeedButton4",
          "UpDownSpeedButton5",  "UpDownSpeedButton6",  "UpDownSpeedButton7",  "UpDownSpeedButton8",
          "SpeedButton26",       "SpeedButton27",       "LogScrollBarTarn1",   "LogScrollBarTarn2"}},
    };
    for (const auto &b : boxes)
        for (const char *name : b.Names) {
            SCOPED_TRACE(name);
            QWidget *w = b.Box->findChild<QWidget *>(name);
            ASSERT_NE(w, nullptr);
            EXPECT_FALSE(w->toolTip().isEmpty()) << "hint of the table";
            EXPECT_TRUE(b.Box->rect().contains(w->geometry())) << "inside its box";
        }

    // Subscribed after the master timer and before the readouts.
    const int trigger = BusPlace(bus, form.TriggerWrapperTarn1());
    EXPECT_GT(trigger, BusPlace(bus, form.MasterTimerTarn1()));
    EXPECT_LT(trigger, BusPlace(bus, form.ParamWrapperTarn1()));

    form.Compensationgenerator1->trigger();
    EXPECT_TRUE(s.RequestedSettings().CompensationGenerator);
    EXPECT_TRUE(form.GroupBox6->findChild<QAbstractButton *>("SpeedButton14")->font().bold());
    BroadcastSettingsApplied(bus);
    form.Compensationgenerator1->trigger();
    EXPECT_FALSE(s.RequestedSettings().CompensationGenerator) << "one toggle per click after a second apply";
    form.GroupBox7->findChild<QAbstractButton *>("SpeedButton28")->click();
    EXPECT_EQ(s.RequestedSettings().TriggerMode, 1);
}

} // namespace
} // namespace scope
