// The instrument's calibration record (256 bytes of its memory, big-endian fields) and the
// defaults that replace it when its checksum fails.
#pragma once

#include <array>
#include <cstdint>

namespace pellex {

constexpr int CalibrationRecordSize = 256;
// Memory address of the record's first byte.
constexpr int CalibrationAddress = 256;
constexpr int OffsetPoints = 7;
constexpr int OffsetGroups = 3;
// Range keys that carry an offset correction, in the record's order.
constexpr std::array<int32_t, 6> CorrectedKeys = {10, 20, 50, 1000, 2000, 5000};

using TCalibrationBytes = std::array<uint8_t, CalibrationRecordSize>;
// Offset words by group and point.
using TOffsetTable = std::array<std::array<uint16_t, OffsetPoints>, OffsetGroups>;

// Sum over bytes 0..155 of (byte i x (i + 1) + i), in 32-bit arithmetic.
uint32_t CalibrationChecksum(const TCalibrationBytes &record);

struct TCalibration {
    bool Valid = false;
    uint32_t Identification = 0;
    // Gain bases by channel (0 A, 1 B) and step (0: 1, 1: 2, 2: 5).
    std::array<std::array<uint16_t, 3>, 2> GainBase{};
    // Decoded factors F0..F9 (F8 and F9 already combined with F0/F2 and F1/F3).
    std::array<double, 10> Factor{};
    // Offset words by channel.
    std::array<TOffsetTable, 2> Offsets{};
    // Corrections by channel, in the order of CorrectedKeys.
    std::array<std::array<int16_t, 6>, 2> Corrections{};

    // Decodes a record; an invalid checksum leaves the default offsets and corrections.
    static TCalibration Decode(const TCalibrationBytes &record);
    // The calibration of an instrument whose record could not be read.
    static TCalibration Defaults();
};

// A factor word decoded: word x 0.4 / 65535 + 0.8.
double DecodeFactor(uint16_t word);

} // namespace pellex
