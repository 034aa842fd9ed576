#include "platform/QtSynchronizer.h"
#include "testkit/ui/QtTestKit.h"

#include <QApplication>
#include <QThread>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

namespace scope {

namespace {

TEST(QtSynchronizer, CallRunsInTheGuiThreadFromItsEventLoop) {
    TestApp();
    TQtSynchronizer sync;
    std::atomic<bool> done{false};
    bool inGui = false;
    std::thread worker([&] {
        sync.Synchronize([&] { inGui = QThread::currentThread() == qApp->thread(); });
        done = true;
    });
    ProcessEventsUntil([&] { return bool(done); }, 30000); // only a hang reaches the time-out
    worker.join();
    EXPECT_TRUE(done);
    EXPECT_TRUE(inGui);
}

} // namespace

} // namespace scope
