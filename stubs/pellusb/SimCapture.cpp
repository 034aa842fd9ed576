#include "SimCapture.h"

#include <algorithm>
#include <cmath>

namespace pellsim {

namespace {

// Phases the instrument reports span this window; the delay to the next sample clock is the
// phase's place in it.
constexpr int PhaseMinimum = 143;
constexpr int PhaseWidth = 107;
// Bound of the trigger search, in search steps.
constexpr long MaxSearchSteps = 4000000;

} // namespace

void TSimCapture::Arm(double now, const TCaptureSettings &settings, const TSourceLevel &level,
                      std::mt19937 &random, const TPeriods &periods) {
    Settings = settings;
    Armed = true;
    ArmTime = now;
    Phase =
        static_cast<uint16_t>(PhaseMinimum + std::uniform_int_distribution<int>(0, PhaseWidth - 1)(random));
    if (FixedPhase)
        Phase = FixedPhase;
    const double place = std::clamp(static_cast<double>(Phase - PhaseMinimum) / PhaseWidth, 0.0, 1.0);
    Delay = place * Settings.SampleIntervalNs;
    Untriggered = !Settings.Primary.Any();
    if (Untriggered) {
        Trigger = now;
        return;
    }
    // The trigger is taken once the hold-off has passed and the part before it is filled.
    const int32_t before = std::max(Settings.HoldOffSamples, Settings.RecordLength - Settings.AfterTrigger);
    const double from = now + std::max(before, 0) * Settings.SampleIntervalNs;
    Trigger = FindEvent(from, Settings.Primary, level, periods);
    if (Settings.SecondaryOn && Trigger != Never)
        Trigger = FindEvent(Trigger, Settings.Secondary, level, periods);
}

double TSimCapture::FindEvent(double from, const TEdgeSpec &spec, const TSourceLevel &level,
                              const TPeriods &periods) const {
    if (spec.Count <= 0)
        return from;
    if (!spec.Any())
        return Never;
    const double ts = Settings.SampleIntervalNs;
    const double step = std::min(ts, periods.Shortest / 64);
    const double minLength = spec.LengthSamples * ts;
    // A periodic signal that has not triggered within count + 2 of its periods never will.
    const double until = from + (spec.Count + 2) * periods.Longest + minLength;
    std::array<double, 3> previous{};
    // Pulses are measured from the start of the search on.
    std::array<double, 3> lastOpposite{from, from, from};
    for (int s = 0; s < 3; ++s)
        previous[s] = level(s, from);
    int32_t events = 0;
    long steps = 0;
    for (double t = from + step; t <= until && steps < MaxSearchSteps; t += step, ++steps) {
        double first = Never;
        for (int s = 0; s < 3; ++s) {
            if (!spec.On[s])
                continue;
            const double now = level(s, t);
            const double lv = Settings.Levels[s];
            const bool rising = previous[s] < lv && now >= lv;
            const bool falling = previous[s] > lv && now <= lv;
            previous[s] = now;
            if (!rising && !falling)
                continue;
            // The crossing, to well below a sample slot.
            double lo = t - step, hi = t;
            for (int i = 0; i < 40; ++i) {
                const double mid = (lo + hi) / 2;
                const bool beyond = rising ? level(s, mid) >= lv : level(s, mid) <= lv;
                (beyond ? hi : lo) = mid;
            }
            if (rising != spec.Falling[s]) {
                if (hi - lastOpposite[s] >= minLength)
                    first = std::min(first, hi);
            } else {
                lastOpposite[s] = hi;
            }
        }
        if (first != Never && ++events >= spec.Count)
            return first;
    }
    return Never;
}

double TSimCapture::DoneTime() const {
    const double ts = Settings.SampleIntervalNs;
    if (Untriggered)
        return ArmTime + Settings.RecordLength * ts;
    return Trigger + Delay + Settings.AfterTrigger * ts;
}

uint16_t TSimCapture::StatusWord(double now) const {
    if (!Armed)
        return 0;
    const uint16_t filling = now < DoneTime() ? 0x8000 : 0;
    // Untriggered, the phase is where the free-running sample clock stood when the record began.
    if (Untriggered)
        return static_cast<uint16_t>(0x5000 | filling | Phase);
    if (now < Trigger)
        return 0x8000;
    return static_cast<uint16_t>(0x4000 | filling | Phase);
}

int32_t TSimCapture::SampleCount(double now) const {
    if (!Armed || now < DoneTime())
        return 0;
    const int32_t len = Settings.RecordLength;
    return ReportedCount > 0 ? ReportedCount : len;
}

int32_t TSimCapture::ValidSamples(double now) const {
    return std::min(SampleCount(now), Settings.RecordLength);
}

double TSimCapture::SampleTime(int32_t index, double now) const {
    return SampleTimeOf(index, Untriggered ? 0 : ValidSamples(now));
}

} // namespace pellsim
