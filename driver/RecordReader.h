// Read-out of a finished capture: FIFO read, ground substitution, the real-time copy or the merge
// into the equivalent-time record with its consistency check and fill, smoothing and averaging.
#pragma once

#include "CaptureControl.h"
#include "DriverState.h"
#include "UsbPort.h"

#include <array>
#include <vector>

namespace pellex {

class TRecordReader {
public:
    TRecordReader(TDriverState &state, TUsbPort &port, TCaptureControl &capture)
        : S(state), Port(port), Capture(capture), Temp(LinearSlots) {}

    // Fills buffer (record length words); count receives the valid samples. True when a record was read.
    bool Read(uint16_t *buffer, int32_t &count);

    // Smoothing of fast time bases, in place, each channel byte separately.
    static void Smooth(uint16_t *buffer, int len, int32_t timePerDivision);

private:
    static constexpr int LinearSlots = 8193;
    void SubstituteGround(int len);
    void MergeEquivalentTime(int len);
    void CopyRealTime(uint16_t *buffer, int len) const;
    void Average(uint16_t *buffer, int len);

    TDriverState &S;
    TUsbPort &Port;
    TCaptureControl &Capture;
    std::vector<uint16_t> Temp;
    std::vector<uint8_t> FifoBytes;
    std::array<std::vector<double>, 2> Averages{std::vector<double>(LinearSlots),
                                                std::vector<double>(LinearSlots)};
};

} // namespace pellex
