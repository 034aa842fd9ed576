#include "platform/FrameClock.h"

#include "testkit/ui/QtTestKit.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <string>

namespace scope {
namespace {

TEST(FrameClock, ControlsShareOneFrameAndEachDrawsItsLatestOnceAtItsEnd) {
    TestApp();
    TFrameClock clock;
    std::string log;
    int screen = 0, lamp = 0; // owners
    // The first request of each control in a frame runs at once.
    clock.Request(&screen, [&] { log += "s1 "; });
    clock.Request(&lamp, [&] { log += "l1 "; });
    EXPECT_EQ(log, "s1 l1 ");
    // Asked again within the frame, each waits; only its latest drawing runs, all at the frame's end.
    clock.Request(&screen, [&] { log += "s2 "; });
    clock.Request(&screen, [&] { log += "s3 "; });
    clock.Request(&lamp, [&] { log += "l2 "; });
    EXPECT_TRUE(clock.Waiting(&screen));
    EXPECT_EQ(log, "s1 l1 ");
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !clock.Waiting(&lamp); }, 2000));
    EXPECT_EQ(log, "s1 l1 s3 l2 ");
    EXPECT_GE(t.nsecsElapsed(), clock.FrameNs() / 2) << "the frame's end, not the next event";
    // Flushed (an export) it runs at once; forgotten (the control is gone) it never runs.
    clock.Request(&screen, [&] { log += "s4 "; });
    clock.Flush(&screen);
    clock.Request(&lamp, [&] { log += "l3 "; });
    clock.Forget(&lamp);
    ProcessEventsUntil([] { return false; }, 3 * int(clock.FrameNs() / 1'000'000));
    EXPECT_EQ(log, "s1 l1 s3 l2 s4 ");
}

TEST(FrameClock, ASlotWithoutAClockDrawsAtOnceAndLosingItsClockDrawsWhatWaits) {
    TestApp();
    TFrameClock clock;
    int draws = 0;
    TFrameSlot slot([&] { ++draws; });
    slot.Request();
    EXPECT_EQ(draws, 1);
    slot.SetClock(&clock);
    slot.Request();
    slot.Request();
    EXPECT_EQ(draws, 2);
    slot.SetClock(nullptr);
    EXPECT_EQ(draws, 3);
    EXPECT_FALSE(clock.Waiting(&slot));
    // The rate follows the display, 60 a second at most.
    clock.SetRate(144);
    EXPECT_EQ(clock.FrameNs(), 1'000'000'000 / 60);
    clock.SetRate(50);
    EXPECT_EQ(clock.FrameNs(), 1'000'000'000 / 50);
}

} // namespace
} // namespace scope
