#include "Calibration.h"

namespace pellex {

namespace {

constexpr TOffsetTable DefaultOffsetsA = {{{1147, 1424, 1702, 1976, 2244, 2505, 2767},
                                           {1238, 1512, 1789, 2065, 2327, 2588, 2850},
                                           {1282, 1561, 1839, 2114, 2379, 2643, 2907}}};
constexpr TOffsetTable DefaultOffsetsB = {{{1040, 1314, 1589, 1859, 2128, 2393, 2657},
                                           {1181, 1455, 1730, 2005, 2268, 2533, 2796},
                                           {1239, 1515, 1793, 2069, 2334, 2600, 2867}}};
constexpr std::array<int16_t, 6> DefaultCorrectionsA = {101, 50, 21, -6, -4, 1};
constexpr std::array<int16_t, 6> DefaultCorrectionsB = {110, 57, 25, -8, -5, -2};

uint16_t BigU16(const TCalibrationBytes &r, int at) {
    return static_cast<uint16_t>((r[at] << 8) | r[at + 1]);
}

uint32_t BigU32(const TCalibrationBytes &r, int at) {
    return (static_cast<uint32_t>(r[at]) << 24) | (static_cast<uint32_t>(r[at + 1]) << 16) |
           (static_cast<uint32_t>(r[at + 2]) << 8) | r[at + 3];
}

} // namespace

uint32_t CalibrationChecksum(const TCalibrationBytes &record) {
    uint32_t sum = 0;
    for (uint32_t i = 0; i <= 155; ++i)
        sum += record[i] * (i + 1) + i;
    return sum;
}

double DecodeFactor(uint16_t word) {
    return word * 0.4 / 65535.0 + 0.8;
}

TCalibration TCalibration::Defaults() {
    TCalibration c;
    c.Offsets = {DefaultOffsetsA, DefaultOffsetsB};
    c.Corrections = {DefaultCorrectionsA, DefaultCorrectionsB};
    return c;
}

TCalibration TCalibration::Decode(const TCalibrationBytes &r) {
    TCalibration c;
    c.Identification = BigU32(r, 167);
    for (int step = 0; step < 3; ++step)
        for (int ch = 0; ch < 2; ++ch)
            c.GainBase[ch][step] = BigU16(r, 1 + 4 * step + 2 * ch);
    for (int k = 0; k < 10; ++k)
        c.Factor[k] = DecodeFactor(BigU16(r, 13 + 2 * k));
    c.Factor[8] = c.Factor[8] * c.Factor[0] / c.Factor[2];
    c.Factor[9] = c.Factor[9] * c.Factor[1] / c.Factor[3];
    for (int k = 0; k < OffsetGroups * OffsetPoints; ++k) {
        c.Offsets[0][k / OffsetPoints][k % OffsetPoints] = BigU16(r, 33 + 4 * k);
        c.Offsets[1][k / OffsetPoints][k % OffsetPoints] = BigU16(r, 35 + 4 * k);
    }
    for (int m = 0; m < 12; ++m)
        c.Corrections[m % 2][m / 2] = static_cast<int16_t>(BigU16(r, 117 + 2 * m));
    c.Valid = CalibrationChecksum(r) == BigU32(r, 156);
    if (!c.Valid) {
        const TCalibration d = Defaults();
        c.Offsets = d.Offsets;
        c.Corrections = d.Corrections;
    }
    return c;
}

} // namespace pellex
