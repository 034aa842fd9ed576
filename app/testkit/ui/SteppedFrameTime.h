// Time for a frame clock that moves only when the test steps it; a wake-up that falls due on a step runs
// then, as the timer would fire.
#pragma once

#include "platform/FrameClock.h"

#include <cstdint>
#include <functional>
#include <utility>

namespace scope {

class TSteppedFrameTime : public IFrameTime {
public:
    int64_t NowNs() override { return Now; }
    void WakeIn(int64_t ns, std::function<void()> due) override {
        At = Now + ns;
        Due = std::move(due);
    }
    void Cancel() override { Due = nullptr; }
    bool Armed() const override { return bool(Due); }

    // `timerLate`: the wake-up stays due and runs at a later step or FireLate (a busy machine).
    void Step(int64_t ns, bool timerLate = false) {
        Now += ns;
        if (!timerLate && Due && Now >= At)
            FireLate();
    }
    void StepTo(int64_t ns, bool timerLate = false) { Step(ns - Now, timerLate); }
    void FireLate() {
        const std::function<void()> due = std::move(Due);
        Due = nullptr;
        if (due)
            due();
    }
    int64_t DueAt() const { return At; }

private:
    int64_t Now = 0, At = 0;
    std::function<void()> Due;
};

} // namespace scope
