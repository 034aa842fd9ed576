#include "platform/MasterTimerDriver.h"

#include "acquisition/MasterTimerTarn.h"
#include "bus/ObjMasterTarn.h"

#include <QApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace scope {

namespace {

void EnsureApp() {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QApplication(argc, argv);
}

class TLampWatcher : public TComponentTarn {
public:
    void ObjMasterMessage(int32_t Msg, int32_t, void *) override { Off += Msg == bmSaveLampOff; }
    int Off = 0;
};

TEST(MasterTimerDriver, QtTimerRunsOnlyWhileACountdownRunsAndDeliversTheExpiry) {
    EnsureApp();
    TObjMasterTarn bus;
    TMasterTimerTarn timer;
    TLampWatcher watcher;
    timer.SetObjMaster(&bus);
    watcher.SetObjMaster(&bus);
    TMasterTimerDriver driver(timer);
    EXPECT_FALSE(driver.Running());
    bus.Broadcast(bmSaveDone, 0, nullptr);
    EXPECT_TRUE(driver.Running());
    QElapsedTimer elapsed;
    elapsed.start();
    while (watcher.Off == 0 && elapsed.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(watcher.Off, 1);
    EXPECT_GE(elapsed.elapsed(), 1500); // twenty periods of 100 ms, not one
    EXPECT_FALSE(driver.Running());
}

} // namespace

} // namespace scope
