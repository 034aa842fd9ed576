#include "OffsetConversion.h"

#include "ModelTables.h"

#include <cmath>

namespace pellex {

int FindRange(int32_t key) {
    const auto &ranges = RangeTable();
    for (int i = 0; i < RangeRows - 1; ++i)
        if (ranges[i].Key == key)
            return i;
    return RangeRows - 1;
}

int OffsetGroup(int32_t key) {
    switch (key) {
    case 20:
    case 200:
    case 2000:
        return 1;
    case 50:
    case 500:
    case 5000:
        return 2;
    default:
        return 0;
    }
}

int32_t OffsetCorrection(const TCalibration &calibration, int channel, int32_t key) {
    for (size_t i = 0; i < CorrectedKeys.size(); ++i)
        if (CorrectedKeys[i] == key)
            return calibration.Corrections[channel][i];
    return 0;
}

uint16_t PositionToOffsetDac(const TOffsetPoints &t, int32_t e, double p) {
    int i = 0;
    while (i < OffsetPoints && Breakpoints[i] < p)
        ++i;
    double dac;
    if (i == 0)
        dac = e + t[0] - std::nearbyint((31 - p) * (t[3] - t[0]) / 96.0);
    else if (i == OffsetPoints)
        dac = e + t[6] + std::nearbyint((p - 223) * (t[6] - t[3]) / 96.0);
    else
        dac = e + t[i - 1] + std::nearbyint((p - Breakpoints[i - 1]) * (t[i] - t[i - 1]) / 32.0);
    return static_cast<uint16_t>(static_cast<int64_t>(dac));
}

double OffsetDacToPosition(const TOffsetPoints &t, int32_t e, int32_t dac) {
    const double d = static_cast<double>(dac) - e;
    int i = 0;
    while (i < OffsetPoints && d > t[i])
        ++i;
    // Equal outer words (a damaged calibration) would divide by zero: the position then stays
    // at the calibration point. Between points the search guarantees a rising pair.
    if (i == 0) {
        if (t[3] == t[0])
            return 31;
        return 31 - std::nearbyint((t[0] - d) * 96.0 / (t[3] - t[0]));
    }
    if (i == OffsetPoints) {
        if (t[6] == t[3])
            return 223;
        return 223 + std::nearbyint((d - t[6]) * 96.0 / (t[6] - t[3]));
    }
    return Breakpoints[i - 1] + std::nearbyint((d - t[i - 1]) * 32.0 / (t[i] - t[i - 1]));
}

} // namespace pellex
