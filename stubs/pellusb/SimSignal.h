// The signals at the simulated instrument's inputs A, B and the external trigger input.
#pragma once

#include <array>
#include <cstdint>

namespace pellsim {

enum class TShape : int32_t { Sine = 0, Square = 1, Triangle = 2 };

struct TSignal {
    TShape Shape = TShape::Sine;
    double FrequencyHz = 1000;
    double AmplitudeV = 0.5;
    double OffsetV = 0;

    // Volts at a time in ns; AC coupling drops the offset.
    double Volts(double timeNs, bool acCoupled) const;
    double PeriodNs() const { return FrequencyHz > 0 ? 1e9 / FrequencyHz : 1e12; }
    // A sine's volts at n sample times stepNs apart from firstNs: the first exact, the others by
    // rotating the phase, which a FIFO read does for a short run at a time.
    void SineRun(double firstNs, double stepNs, int32_t n, bool acCoupled, double *volts) const;
    // The same with the step's rotation worked out once for many runs.
    struct TRotation {
        double Sin, Cos;
    };
    TRotation Rotation(double stepNs) const;
    void SineRun(double firstNs, const TRotation &step, int32_t n, bool acCoupled, double *volts) const;
};

struct TSignals {
    // A: 1 kHz sine of 0.5 V; B: 5 MHz sine of 0.2 V, fast enough to show equivalent-time sampling.
    std::array<TSignal, 2> Inputs = {TSignal{TShape::Sine, 1000, 0.5, 0}, TSignal{TShape::Sine, 5e6, 0.2, 0}};
    // The external input: a logic-level square wave in step with input A, 0 or 255 as a level.
    double ExternalLevel(double timeNs) const;
};

} // namespace pellsim
