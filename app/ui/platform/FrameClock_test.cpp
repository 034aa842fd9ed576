#include "platform/FrameClock.h"

#include "testkit/ui/QtTestKit.h"
#include "testkit/ui/SteppedFrameTime.h"

#include <gtest/gtest.h>
#include <string>

namespace scope {
namespace {

TEST(FrameClock, ControlsShareOneFrameAndEachDrawsItsLatestOnceAtItsEnd) {
    TSteppedFrameTime time;
    TFrameClock clock(time);
    const int64_t frame = clock.FrameNs();
    std::string log;
    int screen = 0, lamp = 0; // owners
    // The first request of each control in a frame runs at once.
    clock.Request(&screen, [&] { log += "s1 "; });
    time.Step(frame / 4);
    clock.Request(&lamp, [&] { log += "l1 "; });
    EXPECT_EQ(log, "s1 l1 ");
    // Asked again within the frame, each waits; only its latest drawing runs, all at the frame's end.
    clock.Request(&screen, [&] { log += "s2 "; });
    clock.Request(&screen, [&] { log += "s3 "; });
    clock.Request(&lamp, [&] { log += "l2 "; });
    EXPECT_TRUE(clock.Waiting(&screen));
    EXPECT_EQ(time.DueAt(), frame) << "the end of the frame the first request began";
    time.StepTo(frame - 1);
    EXPECT_EQ(log, "s1 l1 ") << "the frame's end, not before";
    time.StepTo(frame);
    EXPECT_EQ(log, "s1 l1 s3 l2 ");
    EXPECT_FALSE(clock.Waiting(&lamp));
    EXPECT_FALSE(time.Armed());
    // Flushed (an export) it runs at once; forgotten (the control is gone) it never runs.
    time.Step(frame / 4);
    clock.Request(&screen, [&] { log += "s4 "; });
    clock.Flush(&screen);
    clock.Request(&lamp, [&] { log += "l3 "; });
    clock.Forget(&lamp);
    time.Step(3 * frame);
    EXPECT_EQ(log, "s1 l1 s3 l2 s4 ");
}

TEST(FrameClock, ARequestAfterTheFrameEndsDrawsWhatWaitsFirstWhenTheTimerIsLate) {
    TSteppedFrameTime time;
    TFrameClock clock(time);
    const int64_t frame = clock.FrameNs();
    std::string log;
    int screen = 0;
    clock.Request(&screen, [&] { log += "1 "; });
    clock.Request(&screen, [&] { log += "2 "; });
    time.Step(frame + frame / 2, true);
    EXPECT_EQ(log, "1 ");
    // The frame is over though its wake-up has not come: what waited is drawn, then the new record waits
    // for the end of the frame that began with that drawing.
    clock.Request(&screen, [&] { log += "3 "; });
    EXPECT_EQ(log, "1 2 ");
    EXPECT_TRUE(clock.Waiting(&screen));
    time.StepTo(2 * frame + frame / 2 - 1);
    EXPECT_EQ(log, "1 2 ");
    time.StepTo(2 * frame + frame / 2);
    EXPECT_EQ(log, "1 2 3 ");
}

TEST(FrameClock, OnTheMonotonicClockTheTimerEndsTheFrame) {
    TestApp();
    TFrameClock clock;
    int screen = 0;
    std::string log;
    clock.Request(&screen, [&] { log += "1 "; });
    clock.Request(&screen, [&] { log += "2 "; });
    EXPECT_EQ(log, "1 ");
    EXPECT_TRUE(ProcessEventsUntil([&] { return !clock.Waiting(&screen); }, 10000))
        << "the timer never fired";
    EXPECT_EQ(log, "1 2 ");
}

TEST(FrameClock, ASlotWithoutAClockDrawsAtOnceAndLosingItsClockDrawsWhatWaits) {
    TSteppedFrameTime time;
    TFrameClock clock(time);
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
