#include "SimCalibration.h"

namespace pellsim {

namespace {

constexpr std::array<int, 7> Breakpoints = {31, 63, 95, 127, 159, 191, 223};

// Offset words by channel, group and point: the DAC words at which the ground sits at the seven
// breakpoints (before the per-range correction).
constexpr std::array<std::array<std::array<uint16_t, 7>, 3>, 2> OffsetWords = {{
    {{{1153, 1430, 1708, 1982, 2250, 2511, 2773},
      {1244, 1518, 1795, 2071, 2333, 2594, 2856},
      {1288, 1567, 1845, 2120, 2385, 2649, 2913}}},
    {{{1036, 1310, 1585, 1855, 2124, 2389, 2653},
      {1177, 1451, 1726, 2001, 2264, 2529, 2792},
      {1235, 1511, 1789, 2065, 2330, 2596, 2863}}},
}};
// Corrections by channel for the keys 10, 20, 50, 1000, 2000, 5000.
constexpr std::array<std::array<int16_t, 6>, 2> Corrections = {
    {{103, 48, 22, -7, -3, 2}, {108, 59, 24, -9, -6, -1}}};
// Gain bases by channel and step (1, 2, 5): the gain words that give the nominal range.
constexpr std::array<std::array<uint16_t, 3>, 2> GainBases = {{{1836, 3672, 3672}, {1800, 3600, 3600}}};
// Factor word of 1.0 (within the decoder's resolution).
constexpr uint16_t UnitFactor = 32768;
constexpr uint32_t Identification = 4711023;

void PutBig16(TRecord &r, int at, uint16_t v) {
    r[at] = static_cast<uint8_t>(v >> 8);
    r[at + 1] = static_cast<uint8_t>(v);
}
void PutBig32(TRecord &r, int at, uint32_t v) {
    PutBig16(r, at, static_cast<uint16_t>(v >> 16));
    PutBig16(r, at + 2, static_cast<uint16_t>(v));
}

// Range family of a channel's bits: the nominal mV/div at the step-1 (or step-5) gain base, the
// step of that base, and whether the bits serve keys with a correction.
struct TBitsFamily {
    double NominalMv;    // mV per division at the family's base gain
    int BaseStep;        // 0: the family runs on step-1 and step-2 gains; 2: step-5 gains
    int CorrectionIndex; // index into Corrections at the base step, -1 for none
};

TBitsFamily Family(uint16_t bits) {
    switch (bits) {
    case 0x21:
        return {10, 0, 0};
    case 0x01:
        return {50, 2, 2};
    case 0x28:
        return {100, 0, -1};
    case 0x08:
        return {500, 2, -1};
    case 0x38:
        return {1000, 0, 3};
    default:
        return {5000, 2, 5}; // 0x18, and anything unknown: the least sensitive input
    }
}

// Whether a step-1 family runs at its step-2 gain (20, 200, 2000 mV).
bool DoubleStep(int channel, const TInputStage &s, const TBitsFamily &f) {
    return f.BaseStep == 0 && s.Gain > GainBases[channel][0] * 1.5;
}

double MvPerDivision(int channel, const TInputStage &s) {
    const TBitsFamily f = Family(s.RangeBits);
    return f.NominalMv * s.Gain / GainBases[channel][f.BaseStep];
}

} // namespace

uint32_t RecordChecksum(const TRecord &r) {
    uint32_t sum = 0;
    for (uint32_t i = 0; i <= 155; ++i)
        sum += r[i] * (i + 1) + i;
    return sum;
}

void SealRecord(TRecord &r) {
    PutBig32(r, 156, RecordChecksum(r));
}

TRecord CalibrationRecord() {
    TRecord r{};
    for (int step = 0; step < 3; ++step)
        for (int ch = 0; ch < 2; ++ch)
            PutBig16(r, 1 + 4 * step + 2 * ch, GainBases[ch][step]);
    for (int k = 0; k < 10; ++k)
        PutBig16(r, 13 + 2 * k, UnitFactor);
    for (int k = 0; k < 21; ++k) {
        PutBig16(r, 33 + 4 * k, OffsetWords[0][k / 7][k % 7]);
        PutBig16(r, 35 + 4 * k, OffsetWords[1][k / 7][k % 7]);
    }
    for (int m = 0; m < 12; ++m)
        PutBig16(r, 117 + 2 * m, static_cast<uint16_t>(Corrections[m % 2][m / 2]));
    PutBig32(r, 167, Identification);
    SealRecord(r);
    return r;
}

double GroundLevel(int channel, const TInputStage &s) {
    const TBitsFamily f = Family(s.RangeBits);
    const bool doubled = DoubleStep(channel, s, f);
    const int group = f.BaseStep == 2 ? 2 : (doubled ? 1 : 0);
    int correction = 0;
    if (f.CorrectionIndex >= 0)
        correction = Corrections[channel][f.CorrectionIndex + (doubled ? 1 : 0)];
    const auto &t = OffsetWords[channel][group];
    const double d = static_cast<double>(s.OffsetDac) - correction;
    if (d <= t[0])
        return 31 - (t[0] - d) * 96.0 / (t[3] - t[0]);
    for (int i = 1; i < 7; ++i)
        if (d <= t[i])
            return Breakpoints[i - 1] + (d - t[i - 1]) * 32.0 / (t[i] - t[i - 1]);
    return 223 + (d - t[6]) * 96.0 / (t[6] - t[3]);
}

TLevelMap::TLevelMap(int channel, const TInputStage &s)
    : Mv(MvPerDivision(channel, s)), Ground(GroundLevel(channel, s)) {}

double InputLevel(int channel, const TInputStage &s, double volts) {
    return TLevelMap(channel, s).Level(volts);
}

} // namespace pellsim
