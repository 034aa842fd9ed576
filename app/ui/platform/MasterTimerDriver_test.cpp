#include "platform/MasterTimerDriver.h"

#include "acquisition/MasterTimerTarn.h"
#include "bus/ObjMasterTarn.h"
#include "testkit/BusRecorder.h"
#include "testkit/ui/QtTestKit.h"

#include <gtest/gtest.h>

namespace scope {

namespace {

TEST(MasterTimerDriver, QtTimerRunsOnlyWhileACountdownRunsAndDeliversTheExpiry) {
    TestApp();
    TObjMasterTarn bus;
    TMasterTimerTarn timer;
    TBusRecorder watcher;
    timer.SetObjMaster(&bus);
    watcher.SetObjMaster(&bus);
    TMasterTimerDriver driver(timer);
    EXPECT_FALSE(driver.Running());
    bus.Broadcast(bmSaveDone, 0, nullptr);
    EXPECT_TRUE(driver.Running());
    // Every expiry is one period: the lamp goes off after the twentieth, not the first.
    QTimer *clock = driver.findChild<QTimer *>();
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(timer.Countdown(TMasterTimerTarn::cdSaveLamp), 20);
    for (int k = 1; k < 20; ++k)
        ExpireTimer(clock);
    EXPECT_EQ(timer.Countdown(TMasterTimerTarn::cdSaveLamp), 1);
    EXPECT_EQ(watcher.Count(bmSaveLampOff), 0u);
    EXPECT_TRUE(driver.Running());
    // The last expiry comes from the event loop, as in the program.
    EXPECT_TRUE(ProcessEventsUntil([&] { return watcher.Count(bmSaveLampOff) > 0; }, 30000));
    EXPECT_EQ(watcher.Count(bmSaveLampOff), 1u);
    EXPECT_FALSE(driver.Running());
}

} // namespace

} // namespace scope
