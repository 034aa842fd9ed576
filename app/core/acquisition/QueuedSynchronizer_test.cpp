#include "acquisition/QueuedSynchronizer.h"

#include "device/DataTypesTarn.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace scope {

namespace {

TEST(QueuedSynchronizer, WorkerBlocksUntilTheServingThreadRanItsCall) {
    TQueuedSynchronizer sync;
    std::atomic<int> wakeUps{0};
    sync.OnQueued = [&] { ++wakeUps; };
    const auto gui = std::this_thread::get_id();
    std::thread::id ranIn;
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        sync.Synchronize([&] { ranIn = std::this_thread::get_id(); });
        returned = true;
    });
    while (!sync.HasPending())
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(returned); // still waiting: nobody served it
    EXPECT_EQ(sync.ServePending(), 1);
    worker.join();
    EXPECT_TRUE(returned);
    EXPECT_EQ(ranIn, gui);
    EXPECT_EQ(wakeUps, 1);
}

TEST(QueuedSynchronizer, ExceptionOfTheCallReachesTheWorker) {
    TQueuedSynchronizer sync;
    std::atomic<bool> caught{false};
    std::thread worker([&] {
        try {
            sync.Synchronize([] { throw Exception("device gone"); });
        } catch (const Exception &e) {
            caught = std::string(e.what()) == "device gone";
        }
    });
    while (sync.ServePending() == 0)
        std::this_thread::yield();
    worker.join();
    EXPECT_TRUE(caught);
}

TEST(QueuedSynchronizer, PostedCallsKeepTheirPlaceAndDoNotHoldTheWorker) {
    TQueuedSynchronizer sync;
    std::atomic<int> wakeUps{0};
    sync.OnQueued = [&] { ++wakeUps; };
    std::vector<int> order; // written only in the serving thread
    std::atomic<bool> posted{false};
    std::thread worker([&] {
        sync.Post([&] { order.push_back(1); });
        sync.Post([] { throw Exception("a handler failed"); });
        posted = true; // the worker got here without anyone serving
        sync.Synchronize([&] { order.push_back(2); });
        sync.Post([&] { order.push_back(3); });
    });
    while (!posted)
        std::this_thread::yield();
    while (order.size() < 2)
        sync.ServePending();
    worker.join();
    sync.ServePending();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    // One wake-up for the calls queued behind one still waiting; the posted throw went nowhere.
    EXPECT_LE(wakeUps, 3);
    EXPECT_FALSE(sync.HasPending());
}

TEST(QueuedSynchronizer, APostWithoutWakeUpWaitsForTheNextWakeUp) {
    TQueuedSynchronizer sync;
    std::atomic<int> wakeUps{0};
    sync.OnQueued = [&] { ++wakeUps; };
    std::vector<int> order;
    std::thread([&] { sync.Post([&] { order.push_back(1); }, false); }).join();
    EXPECT_EQ(wakeUps, 0);
    EXPECT_TRUE(sync.HasPending());
    // Wake: one wake-up, however often it is asked before the queue is served.
    sync.Wake();
    sync.Wake();
    EXPECT_EQ(wakeUps, 1);
    EXPECT_EQ(sync.ServePending(), 1);
    sync.Wake(); // nothing queued: no wake-up
    EXPECT_EQ(wakeUps, 1);
    // A waited-for call wakes the serving thread and the quiet post before it runs first.
    std::thread worker([&] {
        sync.Post([&] { order.push_back(2); }, false);
        sync.Synchronize([&] { order.push_back(3); });
    });
    while (order.size() < 3)
        sync.ServePending();
    worker.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(wakeUps, 2);
}

TEST(QueuedSynchronizer, CallFromTheServingThreadRunsAtOnce) {
    TQueuedSynchronizer sync;
    int runs = 0;
    sync.Synchronize([&] { ++runs; });
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(sync.HasPending());
}

} // namespace

} // namespace scope
