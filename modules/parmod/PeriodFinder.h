// Period of a record of 8-bit samples: the lag of the first clear maximum of the normalised
// auto-correlation after it has fallen below its running mean, optionally tracked from record to record.
#pragma once

#include "AutoCorrelator.h"

#include <cstdint>

namespace parmod {

enum TPeriodFinderMode { pfmNormal, pfmWiener };

class TPeriodFinder {
public:
    // The period in samples, or -1 when there is none.
    int32_t FindPeriod(const uint8_t *samples, int32_t n);
    // FindPeriod in its two steps, for callers that run the full searches of several finders side by
    // side: Follow takes the samples and tracks the previous period (-1: not found that way), Search
    // then makes the full search on the same samples.
    int32_t Follow(const uint8_t *samples, int32_t n);
    int32_t Search();

    TPeriodFinderMode Mode = pfmNormal;
    int32_t MaxPeriod = 7000;
    int32_t MaxBufferSize = 8192;
    int32_t PeriodTraceMinLength = 5;
    int32_t PeriodTraceMaxLength = 25;
    bool SmartUpdate = false;

    double SamplingRate() const { return Rate; }
    // Another rate forgets the previous period.
    void SetSamplingRate(double rate);

    int32_t LastPeriod() const { return Last; }

    // Direct correlation at lag k over the current samples: sum of x[k + i] x[i] / max(E1, E2).
    double DirectCorrelation(int32_t k);

private:
    double Correlation(int32_t k);
    int32_t SearchPeriod();
    int32_t TrackPeriod();

    const uint8_t *Samples = nullptr;
    int32_t Length = 0;
    int32_t Last = -1;
    double LastCorrelation = 0.0;
    double LastThreshold = 0.0;
    double Rate = 0.0;
    bool UseTransform = false;
    TSquareSum Energies;
    TAutoCorrelator Correlator;
};

} // namespace parmod
