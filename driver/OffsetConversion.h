// Ranges and the offset DAC: range rows by key, and ground position <-> DAC word through the
// calibration's offset words.
#pragma once

#include "Calibration.h"

#include <array>
#include <cstdint>

namespace pellex {

using TOffsetPoints = std::array<uint16_t, OffsetPoints>;

// Ground positions of the seven calibration points.
constexpr std::array<int, OffsetPoints> Breakpoints = {31, 63, 95, 127, 159, 191, 223};

// Row of the range table for a key; an unknown key selects the last row.
int FindRange(int32_t key);
// Offset-word group of a key: 1 for 20, 200, 2000; 2 for 50, 500, 5000; 0 otherwise.
int OffsetGroup(int32_t key);
// The channel's (0 A, 1 B) correction for a key; 0 for keys without one.
int32_t OffsetCorrection(const TCalibration &calibration, int channel, int32_t key);

uint16_t PositionToOffsetDac(const TOffsetPoints &t, int32_t correction, double position);
// An integral position, possibly outside 0..255.
double OffsetDacToPosition(const TOffsetPoints &t, int32_t correction, int32_t dac);

} // namespace pellex
