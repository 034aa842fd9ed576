#include "SimSignal.h"

#include <cmath>

namespace pellsim {

namespace {

// Position within the period, 0 <= x < 1.
double Cycle(double timeNs, double frequencyHz) {
    const double cycles = timeNs * 1e-9 * frequencyHz;
    return cycles - std::floor(cycles);
}

// sin(2 pi x) for 0 <= x < 1: the nearest quarter period and Taylor series over the eighth of a period
// on either side of it, accurate to a few units in the last place as the library's sine is, and cheap
// enough for every sample of a FIFO read.
double SineOfCycle(double x) {
    const double y = 4 * x;
    const double q = std::floor(y + 0.5);
    const double t = (y - q) * (M_PI / 2), u = t * t;
    const int quadrant = static_cast<int>(q) & 3;
    double r;
    if ((quadrant & 1) == 0) {
        double p = -1.0 / 1307674368000.0;
        p = p * u + 1.0 / 6227020800.0;
        p = p * u - 1.0 / 39916800.0;
        p = p * u + 1.0 / 362880.0;
        p = p * u - 1.0 / 5040.0;
        p = p * u + 1.0 / 120.0;
        p = p * u - 1.0 / 6.0;
        r = t + t * (p * u);
    } else {
        double p = 1.0 / 20922789888000.0;
        p = p * u - 1.0 / 87178291200.0;
        p = p * u + 1.0 / 479001600.0;
        p = p * u - 1.0 / 3628800.0;
        p = p * u + 1.0 / 40320.0;
        p = p * u - 1.0 / 720.0;
        p = p * u + 1.0 / 24.0;
        p = p * u - 1.0 / 2.0;
        r = 1.0 + p * u;
    }
    return quadrant >= 2 ? -r : r;
}

} // namespace

double TSignal::Volts(double timeNs, bool acCoupled) const {
    const double x = Cycle(timeNs, FrequencyHz);
    double wave = 0;
    switch (Shape) {
    case TShape::Sine:
        wave = SineOfCycle(x);
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

TSignal::TRotation TSignal::Rotation(double stepNs) const {
    const double step = Cycle(stepNs, FrequencyHz);
    return {SineOfCycle(step), SineOfCycle(step + 0.25 >= 1 ? step - 0.75 : step + 0.25)};
}

void TSignal::SineRun(double firstNs, double stepNs, int32_t n, bool acCoupled, double *volts) const {
    SineRun(firstNs, Rotation(stepNs), n, acCoupled, volts);
}

void TSignal::SineRun(double firstNs, const TRotation &step, int32_t n, bool acCoupled, double *volts) const {
    const double x = Cycle(firstNs, FrequencyHz);
    double sine = SineOfCycle(x), cosine = SineOfCycle(x + 0.25 >= 1 ? x - 0.75 : x + 0.25);
    const double rs = step.Sin, rc = step.Cos;
    const double offset = acCoupled ? 0 : OffsetV;
    const auto rotate = [](double &s, double &c, double bySin, double byCos) {
        const double next = s * byCos + c * bySin;
        c = c * byCos - s * bySin;
        s = next;
    };
    int32_t i = 0;
    // Four points side by side, each rotated by four steps: one rotation alone waits on the one before.
    constexpr int32_t lanes = 4;
    if (n >= 2 * lanes) {
        double s[lanes], c[lanes];
        s[0] = sine;
        c[0] = cosine;
        for (int k = 1; k < lanes; ++k) {
            s[k] = s[k - 1];
            c[k] = c[k - 1];
            rotate(s[k], c[k], rs, rc);
        }
        const double twoSin = 2 * rs * rc, twoCos = rc * rc - rs * rs;
        const double fourSin = 2 * twoSin * twoCos, fourCos = twoCos * twoCos - twoSin * twoSin;
        for (; i + lanes <= n; i += lanes)
            for (int k = 0; k < lanes; ++k) {
                volts[i + k] = AmplitudeV * s[k] + offset;
                rotate(s[k], c[k], fourSin, fourCos);
            }
        sine = s[0];
        cosine = c[0];
    }
    for (; i < n; ++i) {
        volts[i] = AmplitudeV * sine + offset;
        rotate(sine, cosine, rs, rc);
    }
}

double TSignals::ExternalLevel(double timeNs) const {
    return Cycle(timeNs, Inputs[0].FrequencyHz) < 0.5 ? 255 : 0;
}

} // namespace pellsim
