#include "testkit/ui/PacingCases.h"

#include "platform/FrameClock.h"
#include "testkit/ui/SteppedFrameTime.h"

namespace scope {

const std::vector<TPacingCase> &PacingCases() {
    constexpr int64_t F = PacingFrameNs;
    constexpr int Off = TPacingStep::PacingOff;
    static const std::vector<TPacingCase> cases = {
        {"a record after a quiet frame shows at once", {{0, 1, 1}, {F + F / 2, 2, 2}}},
        {"records inside one frame wait for its end, and the latest shows",
         {{0, 1, 1}, {F / 4, 2, 1}, {F / 2, 3, 1}, {F - 1, 0, 1}, {F, 0, 3}}},
        {"a record at the frame's last tick waits for its end", {{0, 1, 1}, {F - 1, 2, 1}, {F, 0, 2}}},
        {"a record at the next frame's first tick shows at once", {{0, 1, 1}, {F, 2, 2}}},
        {"a drawing at a frame's end counts for the next frame",
         {{0, 1, 1}, {F / 2, 2, 1}, {F, 0, 2}, {F + F / 2, 3, 2}, {2 * F, 0, 3}, {3 * F + F / 2, 4, 4}}},
        {"pacing switched off shows what waits, then every record at once",
         {{0, 1, 1}, {F / 4, 2, 1}, {F / 4, Off, 2}, {F / 2, 3, 3}, {F / 2, 4, 4}}},
    };
    return cases;
}

std::string RunPacing(const TPacingCase &c, const TPacedControl &control) {
    TSteppedFrameTime time;
    TFrameClock clock(time);
    clock.SetRate(1e9 / double(PacingFrameNs));
    control.SetPacing(&clock);
    std::string out;
    for (const TPacingStep &step : c.Steps) {
        time.StepTo(step.AtNs);
        const std::string at = "at " + std::to_string(step.AtNs / 1000) + " us: ";
        if (step.Action > 0)
            control.Send(step.Action);
        else if (step.Action == TPacingStep::Cursor) {
            const std::string cursor = control.MoveCursor ? control.MoveCursor() : "no cursor";
            if (!cursor.empty())
                out += at + "the cursor " + cursor + "; ";
        } else if (step.Action == TPacingStep::PacingOff)
            control.SetPacing(nullptr);
        const int shown = control.Shown();
        if (shown != step.Shows)
            out +=
                at + "shows record " + std::to_string(shown) + ", not " + std::to_string(step.Shows) + "; ";
    }
    control.SetPacing(nullptr);
    return out;
}

} // namespace scope
