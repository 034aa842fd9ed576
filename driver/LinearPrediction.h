// The accumulated equivalent-time record with one mask per channel, and its output with straight
// lines drawn between the measured samples of each channel.
#pragma once

#include <array>
#include <cstdint>

namespace pellex {

class TLinearPrediction {
public:
    static constexpr int Slots = 8193;

    // Zeroes the record words and both masks below len.
    void Clear(int len);
    // Zeroes one channel's (0 A, 1 B) bytes and mask below len.
    void ClearChannel(int channel, int len);
    // A measured sample of both channels at slot k.
    void Store(int k, uint16_t word) {
        Record[k] = word;
        MaskA[k] = 1;
        MaskB[k] = 1;
    }
    uint16_t Word(int k) const { return Record[k]; }
    bool Marked(int channel, int k) const { return (channel == 0 ? MaskA[k] : MaskB[k]) != 0; }
    // Marked slots of a channel among first .. first + count - 1.
    int MarkedCount(int channel, int first, int count) const;

    // Out[0..len-1]: the record with the gaps of each channel interpolated.
    void FillGaps(uint16_t *out, int len) const;
    // Out[0..len-1]: the record as it is.
    void CopyTo(uint16_t *out, int len) const;

private:
    void FillChannel(uint16_t *out, int len, int channel) const;

    std::array<uint16_t, Slots> Record{};
    std::array<uint8_t, Slots> MaskA{};
    std::array<uint8_t, Slots> MaskB{};
};

} // namespace pellex
