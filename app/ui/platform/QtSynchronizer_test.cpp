#include "platform/QtSynchronizer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <thread>

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

TEST(QtSynchronizer, CallRunsInTheGuiThreadFromItsEventLoop) {
    EnsureApp();
    TQtSynchronizer sync;
    std::atomic<bool> done{false};
    bool inGui = false;
    std::thread worker([&] {
        sync.Synchronize([&] { inGui = QThread::currentThread() == qApp->thread(); });
        done = true;
    });
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done && elapsed.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    EXPECT_TRUE(done);
    EXPECT_TRUE(inGui);
}

} // namespace

} // namespace scope
