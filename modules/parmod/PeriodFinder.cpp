#include "PeriodFinder.h"

#include <algorithm>
#include <cstdlib>

namespace parmod {

void TPeriodFinder::SetSamplingRate(double rate) {
    if (rate != Rate)
        Last = -1;
    Rate = rate;
}

double TPeriodFinder::DirectCorrelation(int32_t k) {
    if (k > Length - 2 || k < 0)
        return 0.0;
    const uint8_t *x = Samples;
    const int32_t count = Length - k;
    // Products of levels fit 16 bits; blocks keep the 32-bit partial sums from overflowing.
    uint64_t sum = 0;
    constexpr int32_t block = 65536;
    for (int32_t start = 0; start < count; start += block) {
        const int32_t end = std::min(count, start + block);
        uint32_t partial = 0;
        for (int32_t i = start; i < end; ++i)
            partial += uint32_t(x[k + i]) * x[i];
        sum += partial;
    }
    Energies.ComputeForLag(k);
    const double norm = Energies.Norm();
    return norm == 0.0 ? 0.0 : static_cast<double>(sum) / norm;
}

double TPeriodFinder::Correlation(int32_t k) {
    return UseTransform ? Correlator.Correlation(k) : DirectCorrelation(k);
}

int32_t TPeriodFinder::SearchPeriod() {
    bool armed = true;
    double best = 1.0, sum = 0.0, threshold = 0.0;
    int32_t result = 0;
    for (int32_t lag = 1; lag <= MaxPeriod; ++lag) {
        const double c = Correlation(lag);
        sum += c;
        const double mean = sum / lag;
        threshold = std::max(mean + (1.0 - mean) * 4.0 / 5.0, 0.99);
        if (armed) {
            if (c < mean) {
                if (result != 0)
                    break;
                armed = false;
                best = 0.0;
                result = -1;
            } else if (c > best) {
                best = c;
                result = lag;
            }
        } else if (c > threshold) {
            // The arming lag is itself a candidate: a peak one lag wide is still found at its own lag.
            armed = true;
            best = c;
            result = lag;
        }
    }
    if (result < 1)
        result = -1;
    Last = result;
    LastCorrelation = best;
    LastThreshold = threshold;
    return result;
}

int32_t TPeriodFinder::TrackPeriod() {
    const int32_t p = Last, m = PeriodTraceMinLength, maxStep = PeriodTraceMaxLength;
    if (p <= 0 || p - maxStep <= 1 || p + maxStep >= MaxPeriod)
        return -1;
    double b = DirectCorrelation(p);
    if (b < 0.98 * LastCorrelation || b < LastThreshold)
        return -1;
    int32_t result = p;
    for (int32_t lag = p - m; lag <= p + m; ++lag) {
        if (lag == p)
            continue;
        const double c = DirectCorrelation(lag);
        if (c > b) {
            b = c;
            result = lag;
        }
    }
    const int32_t step = result < p ? -1 : 1;
    for (int32_t i = m + 1; i <= maxStep; ++i) {
        const int32_t lag = p + step * i;
        const double c = DirectCorrelation(lag);
        if (c > b) {
            b = c;
            result = lag;
        }
        if (std::abs(lag - result) >= m) {
            Last = result;
            LastCorrelation = b;
            return result;
        }
    }
    Last = -1;
    return -1;
}

int32_t TPeriodFinder::FindPeriod(const uint8_t *samples, int32_t n) {
    const int32_t tracked = Follow(samples, n);
    return tracked != -1 ? tracked : Search();
}

int32_t TPeriodFinder::Follow(const uint8_t *samples, int32_t n) {
    Samples = samples;
    Length = n;
    Energies.SetData(samples, n);
    Energies.Reset();
    UseTransform = false;
    return SmartUpdate ? TrackPeriod() : -1;
}

int32_t TPeriodFinder::Search() {
    if (Mode == pfmWiener) {
        Correlator.Compute(Samples, Length);
        UseTransform = true;
    }
    return SearchPeriod();
}

} // namespace parmod
