#include "PhaseStatistics.h"

namespace pellex {

void TPhaseStatistics::Reset() {
    Ring.fill(-1);
    Histogram.fill(0);
    Histogram[StartMinimum] = 1;
    Histogram[StartMaximum] = 1;
    PhaseCount = 0;
    Min = StartMinimum;
    Max = StartMaximum;
    WindowWidth = Max - Min;
}

bool TPhaseStatistics::Add(int32_t phase) {
    if (phase <= 0 || phase >= Cells)
        return false;
    const int slot = PhaseCount % RingSize;
    // Once the ring is full the two start counts have served their purpose.
    if (PhaseCount == RingSize) {
        --Histogram[StartMinimum];
        --Histogram[StartMaximum];
    }
    if (Ring[slot] >= 0)
        --Histogram[Ring[slot]];
    Ring[slot] = phase;
    ++Histogram[phase];
    ++PhaseCount;
    bool widened = false;
    if (phase > Max) {
        Max = static_cast<uint16_t>(phase);
        widened = true;
    }
    if (phase < Min) {
        Min = static_cast<uint16_t>(phase);
        widened = true;
    }
    while (Histogram[Max] == 0)
        --Max;
    while (Histogram[Min] == 0)
        ++Min;
    WindowWidth = Max - Min;
    return widened;
}

} // namespace pellex
