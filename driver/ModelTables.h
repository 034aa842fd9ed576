// Constant per-model data of the Pellan family and the device description record built from it.
#pragma once

#include "Calibration.h"

#include <array>
#include <cstdint>

namespace pellex {

constexpr int ModelCount = 6;
constexpr int RangeRows = 9;

struct TTimeBaseRow {
    double TimePerDivision; // ns
    double SampleInterval;  // ns
    bool EquivalentTime;
    uint16_t ControlWord;
};

struct TRangeRow {
    int32_t Key; // mV per division
    uint16_t BitsA, DefaultGainA, BitsB, DefaultGainB;
};

struct TModel {
    int32_t RecordLength;
    int32_t ScreenPoints;
    int32_t PointsPerDivision;
    int TimeBaseTable; // 0 A, 1 B, 2 C
    int Image;         // configuration image 0..3
};

const TModel &Model(int type);
const std::array<TRangeRow, RangeRows> &RangeTable();

using TDescription = std::array<uint8_t, 905>;

// The description of a model, with the calibrated gains only when the calibration is valid.
TDescription BuildDescription(int type, const TCalibration &calibration);

// Calibrated gain words of range row k: {A1, A2, B1, B2}.
std::array<uint16_t, 4> CalibratedGains(int k, const TCalibration &calibration);

} // namespace pellex
