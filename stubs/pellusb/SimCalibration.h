// The simulated instrument's own analogue constants, the calibration record that describes them,
// and the front end that turns an input voltage into a screen level through them.
#pragma once

#include <array>
#include <cstdint>

namespace pellsim {

constexpr int CalibrationSize = 256;
using TRecord = std::array<uint8_t, CalibrationSize>;

// The calibration record of the simulated instrument, with a valid checksum.
TRecord CalibrationRecord();
uint32_t RecordChecksum(const TRecord &record);
// Stores the checksum of bytes 0..155 into bytes 156..159.
void SealRecord(TRecord &record);

// One channel's input stage, set from the registers.
struct TInputStage {
    uint16_t RangeBits = 0; // the channel's range bits, in the A half's positions
    bool AcCoupled = false;
    uint16_t Gain = 0;
    uint16_t OffsetDac = 0;
};

// Screen level (unclipped) of an input voltage on a channel (0 A, 1 B).
double InputLevel(int channel, const TInputStage &stage, double volts);
// The same mapping worked out once for a stage, for the many samples of a FIFO read.
class TLevelMap {
public:
    TLevelMap(int channel, const TInputStage &stage);
    double Level(double volts) const { return Mv <= 0 ? Ground : Ground + volts * 1000.0 / Mv * 32.0; }
    // Level = zero + volts x per volt, for a loop over many samples.
    double Zero() const { return Ground; }
    double PerVolt() const { return Mv <= 0 ? 0 : 1000.0 / Mv * 32.0; }

private:
    double Mv, Ground;
};
// Screen level of the ground for the stage's offset DAC.
double GroundLevel(int channel, const TInputStage &stage);

} // namespace pellsim
