// The cases every control paced by a frame clock goes through, on a clock the test steps: each step moves
// the time on, does one thing and says which record the control shows after it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace scope {

class TFrameClock;

// A control as the cases drive it; records are numbered 1, 2, ... and 0 is none of them.
struct TPacedControl {
    std::function<void(TFrameClock *)> SetPacing;
    std::function<void(int record)> Send;
    std::function<int()> Shown;
    // Empty when the move showed at once; only for controls with cursors.
    std::function<std::string()> MoveCursor;
};

struct TPacingStep {
    static constexpr int Nothing = 0, Cursor = -1, PacingOff = -2;
    int64_t AtNs; // since the first step
    int Action;   // a record's number or one of the above
    int Shows;    // the record shown after the step
};

struct TPacingCase {
    const char *What;
    std::vector<TPacingStep> Steps;
};

// The frame of the cases: 50 frames a second.
constexpr int64_t PacingFrameNs = 20'000'000;

// The cases of every paced control: quiet frames, records inside one frame, at a frame's last and the
// next one's first tick, a drawing at a frame's end, pacing switched off.
const std::vector<TPacingCase> &PacingCases();

// Runs a case on a new frame clock; empty when every step showed what it expects, else what it showed.
std::string RunPacing(const TPacingCase &c, const TPacedControl &control);

} // namespace scope
