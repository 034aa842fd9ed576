#include "controllers/KeyboardControlWrapperTarn.h"

#include "acquisition/MasterTimerTarn.h"
#include "bus/ObjMasterTarn.h"
#include "keyboard/HotkeyDetector.h"
#include "settings/SettingsTarn.h"
#include "testkit/BusRecorder.h"
#include "testkit/TestSettings.h"

#include <gtest/gtest.h>

namespace scope {

namespace {

constexpr int32_t Ctrl = 29, RightCtrl = 285, Space = 57, PageUp = 329, Right = 333, Shift = 42;

// The keyboard's part of the main form: settings with the default options, the master timer, the detector
// and its controller on one bus, with a recorder of the hot-key messages.
struct TKeyboardFixture : ::testing::Test {
    TSettingsTarn Settings;
    TObjMasterTarn Bus;
    TMasterTimerTarn Timer;
    THotkeyDetector Detector;
    TKeyboardControlWrapperTarn Keyboard;
    TBusRecorder Recorder;
    bool Handled = false;

    void SetUp() override {
        Settings.SetDefaultCapabilities();
        JoinBus(Bus, Settings, {&Timer, &Keyboard, &Recorder});
        Keyboard.SetDetector(&Detector);
        Bus.Broadcast(bmInitialize, 0, nullptr);
        Apply();
    }
    void Apply() {
        BroadcastSettingsApplied(Bus);
        Recorder.Clear();
    }
    void SetBool(int32_t id, bool value) { SetBoolOption(Settings, id, value); }
    void Down(int32_t code) { Send(TKeyMessage::KeyDown, code); }
    void Up(int32_t code) { Send(TKeyMessage::KeyUp, code); }
    void Send(TKeyMessage::TKind kind, int32_t code, bool noVirtualKey = false) {
        Handled = false;
        Detector.ProcessMessage({kind, code, noVirtualKey}, Handled);
    }
    // Only what the keyboard and the timer say; the stages above are gone.
    std::vector<std::pair<int32_t, int32_t>> Said() const {
        std::vector<std::pair<int32_t, int32_t>> out;
        for (const auto &e : Recorder.Log)
            out.emplace_back(e.Msg, e.Param);
        return out;
    }
    using TSaid = std::vector<std::pair<int32_t, int32_t>>;
};

TEST_F(TKeyboardFixture, HoldKeyBroadcastsOnceAndItsReleaseStopsAndReleases) {
    for (int32_t ctrl : {Ctrl, RightCtrl}) {
        for (bool spaceFirst : {false, true}) {
            SCOPED_TRACE(testing::Message() << "ctrl " << ctrl << " space first " << spaceFirst);
            Down(spaceFirst ? Space : ctrl);
            EXPECT_FALSE(Handled);
            Down(spaceFirst ? ctrl : Space);
            EXPECT_TRUE(Handled);
            // A repeated key-down of a held key changes nothing.
            Down(Space);
            EXPECT_EQ(Said(), (TSaid{{bmHotkeyHold, 0}}));
            Up(Space);
            EXPECT_FALSE(Handled);
            EXPECT_EQ(Said(), (TSaid{{bmHotkeyHold, 0}, {bmRepeatStop, 0}, {bmHotkeyReleased, 0}}));
            Up(ctrl);
            EXPECT_EQ(Said().size(), 3u);
            Recorder.Clear();
        }
    }
}

TEST_F(TKeyboardFixture, ShiftKeyRepeatsAtOnceAfterThreeTicksThenEveryTickUntilReleased) {
    Down(Ctrl);
    Down(PageUp);
    EXPECT_EQ(Said(), (TSaid{{bmRepeatStart, 0}, {bmHotkeyShiftUp, 0}}));
    Recorder.Clear();
    std::vector<size_t> shiftsAfterTick;
    for (int tick = 1; tick <= 5; ++tick) {
        Timer.Tick();
        shiftsAfterTick.push_back(Recorder.Count(bmHotkeyShiftUp));
    }
    EXPECT_EQ(shiftsAfterTick, (std::vector<size_t>{0, 0, 1, 2, 3}));
    Recorder.Clear();
    Up(PageUp);
    EXPECT_EQ(Said(), (TSaid{{bmRepeatStop, 0}, {bmHotkeyReleased, 0}}));
    Timer.Tick();
    EXPECT_EQ(Recorder.Count(bmHotkeyShiftUp), 0u);
    EXPECT_FALSE(Timer.Enabled());
}

TEST_F(TKeyboardFixture, ActionsOfTheTableWithTheirParams) {
    Settings.PointsPerDiv = 40;
    struct Row {
        int32_t ID, Msg, Param;
        bool Repeats;
    } rows[] = {
        {0, bmHotkeyHold, 0, false},          {1, bmHotkeyRangeUp, 0, false},
        {2, bmHotkeyRangeUp, 1, false},       {3, bmHotkeyRangeDown, 0, false},
        {4, bmHotkeyRangeDown, 1, false},     {5, bmHotkeyShiftUp, 0, true},
        {6, bmHotkeyShiftUp, 1, true},        {7, bmHotkeyShiftDown, 0, true},
        {8, bmHotkeyShiftDown, 1, true},      {9, bmHotkeyTimeBase, 1, true},
        {10, bmHotkeyTimeBase, -1, true},     {11, bmHotkeyZoomIn, 0, false},
        {12, bmHotkeyZoomOut, 0, false},      {13, bmHotkeyMoveScreen, 80, true},
        {14, bmHotkeyMoveScreen, -80, true},  {15, bmHotkeyMoveScreen, 320, true},
        {16, bmHotkeyMoveScreen, -320, true},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.ID);
        Recorder.Clear();
        Keyboard.HotkeyChanged(r.ID);
        TSaid expected;
        if (r.Repeats)
            expected.push_back({bmRepeatStart, 0});
        expected.push_back({r.Msg, r.Param});
        EXPECT_EQ(Said(), expected);
    }
    // The samples per division are read at each dispatch.
    Settings.PointsPerDiv = 50;
    Recorder.Clear();
    Keyboard.DispatchHotkey(15);
    Keyboard.DispatchHotkey(17);
    Keyboard.DispatchHotkey(-2);
    EXPECT_EQ(Said(), (TSaid{{bmHotkeyMoveScreen, 400}}));
}

TEST_F(TKeyboardFixture, TimeBaseKeyInEitherOrderAndAnExtraKeyPreventsTheMatch) {
    Down(Right);
    Down(Ctrl);
    EXPECT_EQ(Said(), (TSaid{{bmRepeatStart, 0}, {bmHotkeyTimeBase, 1}}));
    Recorder.Clear();
    Down(Shift); // breaks the match
    EXPECT_EQ(Said(), (TSaid{{bmRepeatStop, 0}, {bmHotkeyReleased, 0}}));
    EXPECT_FALSE(Handled);
    Recorder.Clear();
    Up(Shift); // restores it
    EXPECT_EQ(Said(), (TSaid{{bmRepeatStart, 0}, {bmHotkeyTimeBase, 1}}));
    Recorder.Clear();
    Up(Right);
    Up(Ctrl);
    Recorder.Clear();
    // Shift first: never the time-base key.
    Down(Shift);
    Down(Ctrl);
    Down(Right);
    EXPECT_EQ(Said(), (TSaid{}));
}

TEST_F(TKeyboardFixture, LeftAndRightControlsToldApartOnlyWhenAsked) {
    // A hot key stored with the right Ctrl.
    static_cast<THotkeyOption *>(Settings.Options->GetOption(opHotkey_Zoom_In))->Keys = {RightCtrl, 78};
    for (bool distinguish : {false, true}) {
        SetBool(opDistinguishLeftRightControls, distinguish);
        Apply();
        SCOPED_TRACE(distinguish);
        Down(Ctrl);
        Down(Space);
        EXPECT_EQ(Recorder.Count(bmHotkeyHold), 1u) << "hold stored with the left Ctrl";
        Up(Space);
        Up(Ctrl);
        Recorder.Clear();
        Down(RightCtrl);
        Down(Space);
        EXPECT_EQ(Recorder.Count(bmHotkeyHold), distinguish ? 0u : 1u);
        Up(Space);
        Down(78);
        EXPECT_EQ(Recorder.Count(bmHotkeyZoomIn), 1u);
        Up(78);
        Up(RightCtrl);
        Recorder.Clear();
        Down(Ctrl);
        Down(78);
        EXPECT_EQ(Recorder.Count(bmHotkeyZoomIn), distinguish ? 0u : 1u);
        Up(78);
        Up(Ctrl);
        Recorder.Clear();
    }
}

TEST_F(TKeyboardFixture, KeyWithoutCodeChangesNothingAndItsReleaseIsHarmless) {
    Down(Ctrl);
    Send(TKeyMessage::KeyDown, 0, true);
    EXPECT_EQ(Detector.PressedKeys(), (TKeyList{Ctrl}));
    Send(TKeyMessage::KeyUp, 0, true);
    Down(Space);
    EXPECT_EQ(Said(), (TSaid{{bmHotkeyHold, 0}}));
    // Other messages leave the handled flag as it was.
    Handled = true;
    Detector.ProcessMessage({TKeyMessage::Other, Space, false}, Handled);
    EXPECT_TRUE(Handled);
}

TEST_F(TKeyboardFixture, LosingTheFocusEndsARepeatAtOnce) {
    Down(Ctrl);
    Down(PageUp);
    Timer.Tick();
    Recorder.Clear();
    Detector.ResetPressedKeys();
    EXPECT_EQ(Said(), (TSaid{{bmRepeatStop, 0}, {bmHotkeyReleased, 0}}));
    Recorder.Clear();
    for (int i = 0; i < 5; ++i)
        Timer.Tick();
    EXPECT_EQ(Said(), (TSaid{}));
    EXPECT_TRUE(Detector.PressedKeys().empty());
    // Without a match it reports nothing.
    Down(Ctrl);
    Detector.ResetPressedKeys();
    EXPECT_EQ(Said(), (TSaid{}));
    // The releases that went elsewhere are harmless when they come.
    Up(PageUp);
    Up(Ctrl);
    EXPECT_EQ(Said(), (TSaid{}));
}

TEST_F(TKeyboardFixture, InactiveDetectorSeesNothing) {
    SetBool(opKeyboardControl, false);
    Apply();
    Handled = true;
    Detector.ProcessMessage({TKeyMessage::KeyDown, Ctrl, false}, Handled);
    Detector.ProcessMessage({TKeyMessage::KeyDown, Space, false}, Handled);
    EXPECT_TRUE(Handled) << "untouched";
    EXPECT_TRUE(Detector.PressedKeys().empty());
    EXPECT_EQ(Said(), (TSaid{}));
}

// Codes whose sum leaves 32 bits: the stored texts are bad hot keys that keep their defaults, and the
// detector's own sums are wide enough for whatever it is given.
TEST_F(TKeyboardFixture, HotkeyCodesPastTheIntegerRangeNeverOverflowTheSums) {
    TXMLSettings store;
    store.WriteString("/options/Hotkey_Hold", "2147483647;1;");
    store.WriteString("/options/Hotkey_Zoom_In", "-2147483648;-1;");
    Settings.Options->LoadFromXML("/options", store);
    Apply();
    EXPECT_EQ(Detector.HotkeyList()[0].Keys, (TKeyList{Ctrl, Space}));
    EXPECT_EQ(Detector.HotkeyList()[11].Keys, (TKeyList{Ctrl, 78}));

    THotkeyDetector detector;
    detector.AddHotkey({2147483647, 1}, 0);
    detector.AddHotkey({-2147483647 - 1, -1}, 1);
    EXPECT_EQ(detector.HotkeyList()[0].Sum, 2147483648LL);
    EXPECT_EQ(detector.HotkeyList()[1].Sum, -2147483649LL);
    int32_t reported = -2;
    detector.OnHotkeyChange = [&](int32_t id) { reported = id; };
    detector.SetActive(true);
    bool handled = false;
    detector.ProcessMessage({TKeyMessage::KeyDown, 2147483647, false}, handled);
    detector.ProcessMessage({TKeyMessage::KeyDown, 1, false}, handled);
    EXPECT_EQ(reported, 0);
}

TEST_F(TKeyboardFixture, HotkeysRegisteredFromTheOptionsInIdOrderAndTheLowerIDWins) {
    // Range B up given the hold's keys.
    static_cast<THotkeyOption *>(Settings.Options->GetOption(opHotkey_RangeB_Up))->Keys = {Ctrl, Space};
    Apply();
    ASSERT_EQ(Detector.HotkeyList().size(), 17u);
    for (int32_t i = 0; i < 17; ++i)
        EXPECT_EQ(Detector.HotkeyList()[size_t(i)].ID, i);
    EXPECT_EQ(Detector.HotkeyList()[0].Keys, (TKeyList{Ctrl, Space}));
    EXPECT_EQ(Detector.HotkeyList()[0].Sum, Ctrl + Space);
    EXPECT_EQ(Detector.HotkeyList()[4].Sum, 0) << "an empty hot key";
    Down(Ctrl);
    Down(Space);
    EXPECT_EQ(Said(), (TSaid{{bmHotkeyHold, 0}}));
    Up(Ctrl);
    Up(Space);
    // Applying again does not register twice.
    Apply();
    EXPECT_EQ(Detector.HotkeyList().size(), 17u);
}

} // namespace

} // namespace scope
