#include "acquisition/MasterTimerTarn.h"

#include "bus/ObjMasterTarn.h"
#include "testkit/BusRecorder.h"

#include <functional>
#include <vector>

#include <gtest/gtest.h>

namespace scope {

namespace {

struct TTimerFixture : ::testing::Test {
    TObjMasterTarn Bus;
    TMasterTimerTarn Timer;
    // The expiries only.
    TBusRecorder Listener;
    std::vector<bool> Switches;
    void SetUp() override {
        Timer.SetObjMaster(&Bus);
        Listener.Only = {bmZoomMarksHide, bmTimeBaseSettled, bmSaveLampOff, bmLoadLampOff, bmRepeatTick};
        Listener.SetObjMaster(&Bus);
        Timer.OnEnabledChanged = [this](bool on) { Switches.push_back(on); };
    }
    // The expiries so far; each one carries nothing.
    std::vector<int32_t> Fired() const {
        for (const TBusRecorder::TEntry &e : Listener.Log) {
            EXPECT_EQ(e.Param, 0);
            EXPECT_EQ(e.Data, nullptr);
        }
        return Listener.Messages();
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i)
            Timer.Tick();
    }
};

struct TOneShot {
    int32_t Start, Ticks, Expiry;
};

TEST_F(TTimerFixture, EachOneShotFiresOnceAfterItsTicksAndTheTimerStopsAfterwards) {
    for (const TOneShot row :
         {TOneShot{bmZoomMarksShow, 15, bmZoomMarksHide}, TOneShot{bmTimeBaseChanged, 200, bmTimeBaseSettled},
          TOneShot{bmSaveDone, 20, bmSaveLampOff}, TOneShot{bmLoadDone, 20, bmLoadLampOff}}) {
        SCOPED_TRACE(row.Start);
        Listener.Clear();
        Switches.clear();
        Bus.Broadcast(row.Start, 0, nullptr);
        EXPECT_TRUE(Timer.Enabled());
        Ticks(row.Ticks - 1);
        EXPECT_TRUE(Fired().empty());
        Ticks(1);
        EXPECT_EQ(Fired(), std::vector<int32_t>{row.Expiry});
        EXPECT_FALSE(Timer.Enabled());
        Ticks(300);
        EXPECT_EQ(Fired().size(), 1u);
        EXPECT_EQ(Switches, (std::vector<bool>{true, false}));
    }
}

TEST_F(TTimerFixture, RestartWithinTheCountdownGivesOneExpiryCountedFromTheLastStart) {
    Bus.Broadcast(bmTimeBaseChanged, 0, nullptr);
    Ticks(150);
    Bus.Broadcast(bmTimeBaseChanged, 0, nullptr);
    Ticks(199);
    EXPECT_TRUE(Fired().empty());
    Ticks(1);
    EXPECT_EQ(Fired(), std::vector<int32_t>{bmTimeBaseSettled});
}

TEST_F(TTimerFixture, CancelStopsTheCountdownButLeavesTheTimerToTheNextTick) {
    Bus.Broadcast(bmSaveDone, 0, nullptr);
    Bus.Broadcast(bmLoadDone, 0, nullptr);
    Ticks(5);
    Bus.Broadcast(bmSaveLampOff, 0, nullptr); // the save lamp switched off early
    EXPECT_EQ(Fired(), std::vector<int32_t>{bmSaveLampOff});
    EXPECT_TRUE(Timer.Enabled());
    Ticks(15);
    EXPECT_EQ(Fired(), (std::vector<int32_t>{bmSaveLampOff, bmLoadLampOff}));
    EXPECT_FALSE(Timer.Enabled());

    Bus.Broadcast(bmZoomMarksShow, 0, nullptr);
    Bus.Broadcast(bmZoomMarksHide, 0, nullptr);
    EXPECT_TRUE(Timer.Enabled());
    Ticks(1);
    EXPECT_FALSE(Timer.Enabled());
    Ticks(20);
    EXPECT_EQ(Fired().size(), 3u); // only the hide sent by hand
}

TEST_F(TTimerFixture, OwnExpiryOfTheZoomMarksFindsItsCountdownAlreadyZero) {
    Bus.Broadcast(bmZoomMarksShow, 0, nullptr);
    Listener.OnMessage = [this](int32_t msg, int32_t, void *) {
        if (msg == bmZoomMarksHide) {
            EXPECT_EQ(Timer.Countdown(TMasterTimerTarn::cdZoomMarks), 0);
        }
    };
    Ticks(15);
    EXPECT_EQ(Fired(), std::vector<int32_t>{bmZoomMarksHide});
}

TEST_F(TTimerFixture, RepeatStartsAfterThreeTicksThenEveryTickUntilStopped) {
    Bus.Broadcast(bmRepeatStart, 0, nullptr);
    Ticks(2);
    EXPECT_TRUE(Fired().empty());
    Ticks(4);
    EXPECT_EQ(Fired(), std::vector<int32_t>(4, bmRepeatTick));
    Bus.Broadcast(bmRepeatStop, 0, nullptr);
    Ticks(10);
    EXPECT_EQ(Fired().size(), 4u);
    EXPECT_FALSE(Timer.Enabled());

    Listener.Clear();
    Bus.Broadcast(bmRepeatStart, 0, nullptr);
    Ticks(1);
    Bus.Broadcast(bmRepeatStop, 0, nullptr); // released before the first repeat
    Ticks(10);
    EXPECT_TRUE(Fired().empty());
}

TEST_F(TTimerFixture, StopSentWhileARepeatIsHandledIsNotOverwritten) {
    Listener.OnMessage = [this](int32_t msg, int32_t, void *) {
        if (msg == bmRepeatTick && Listener.Log.size() == 2)
            Bus.Broadcast(bmRepeatStop, 0, nullptr);
    };
    Bus.Broadcast(bmRepeatStart, 0, nullptr);
    Ticks(20);
    EXPECT_EQ(Fired(), std::vector<int32_t>(2, bmRepeatTick));
    EXPECT_FALSE(Timer.Enabled());
}

TEST_F(TTimerFixture, StartSentFromAnExpiryHandlerRunsItsFullCountdown) {
    int restarts = 0;
    Listener.OnMessage = [&](int32_t msg, int32_t, void *) {
        if (msg == bmZoomMarksHide && restarts++ == 0)
            Bus.Broadcast(bmZoomMarksShow, 0, nullptr);
    };
    Bus.Broadcast(bmZoomMarksShow, 0, nullptr);
    Ticks(15);
    EXPECT_TRUE(Timer.Enabled());
    Ticks(14);
    EXPECT_EQ(Fired().size(), 1u);
    Ticks(1);
    EXPECT_EQ(Fired().size(), 2u);
    EXPECT_FALSE(Timer.Enabled());
}

} // namespace

} // namespace scope
