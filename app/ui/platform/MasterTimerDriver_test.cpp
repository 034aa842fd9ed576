#include "platform/MasterTimerDriver.h"

#include "acquisition/MasterTimerTarn.h"
#include "bus/ObjMasterTarn.h"
#include "testkit/BusRecorder.h"
#include "testkit/ui/QtTestKit.h"

#include <QElapsedTimer>

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
    QElapsedTimer elapsed;
    elapsed.start();
    while (watcher.Count(bmSaveLampOff) == 0 && elapsed.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(watcher.Count(bmSaveLampOff), 1u);
    EXPECT_GE(elapsed.elapsed(), 1500); // twenty periods of 100 ms, not one
    EXPECT_FALSE(driver.Running());
}

} // namespace

} // namespace scope
