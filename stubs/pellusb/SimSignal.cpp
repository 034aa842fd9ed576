#include "SimSignal.h"

#include <cmath>

namespace pellsim {

namespace {

// Position within the period, 0 <= x < 1.
double Cycle(double timeNs, double frequencyHz) {
    const double cycles = timeNs * 1e-9 * frequencyHz;
    return cycles - std::floor(cycles);
}

} // namespace

double TSignal::Volts(double timeNs, bool acCoupled) const {
    const double x = Cycle(timeNs, FrequencyHz);
    double wave = 0;
    switch (Shape) {
    case TShape::Sine:
        wave = std::sin(2 * M_PI * x);
        break;
    case TShape::Square:
        wave = x < 0.5 ? 1 : -1;
        break;
    case TShape::Triangle:
        wave = x < 0.5 ? 4 * x - 1 : 3 - 4 * x;
        break;
    }
    return AmplitudeV * wave + (acCoupled ? 0 : OffsetV);
}

double TSignals::ExternalLevel(double timeNs) const {
    return Cycle(timeNs, Inputs[0].FrequencyHz) < 0.5 ? 255 : 0;
}

} // namespace pellsim
