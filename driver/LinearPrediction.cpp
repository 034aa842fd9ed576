#include "LinearPrediction.h"

#include <cmath>
#include <cstring>

namespace pellex {

void TLinearPrediction::Clear(int len) {
    std::memset(Record.data(), 0, sizeof(uint16_t) * len);
    std::memset(MaskA.data(), 0, static_cast<size_t>(len));
    std::memset(MaskB.data(), 0, static_cast<size_t>(len));
}

void TLinearPrediction::ClearChannel(int channel, int len) {
    const uint16_t keep = channel == 0 ? 0xFF00 : 0x00FF;
    for (int k = 0; k < len; ++k)
        Record[k] &= keep;
    std::memset(channel == 0 ? MaskA.data() : MaskB.data(), 0, static_cast<size_t>(len));
}

int TLinearPrediction::MarkedCount(int channel, int first, int count) const {
    const uint8_t *mask = channel == 0 ? MaskA.data() : MaskB.data();
    int n = 0;
    for (int k = first; k < first + count; ++k)
        n += mask[k] != 0;
    return n;
}

void TLinearPrediction::CopyTo(uint16_t *out, int len) const {
    std::memcpy(out, Record.data(), sizeof(uint16_t) * len);
}

void TLinearPrediction::FillGaps(uint16_t *out, int len) const {
    CopyTo(out, len);
    FillChannel(out, len, 0);
    FillChannel(out, len, 1);
}

void TLinearPrediction::FillChannel(uint16_t *out, int len, int channel) const {
    const uint8_t *mask = channel == 0 ? MaskA.data() : MaskB.data();
    const int shift = channel == 0 ? 0 : 8;
    const uint16_t keep = channel == 0 ? 0xFF00 : 0x00FF;
    auto next = [&](int i) {
        int j = i + 1;
        while (j < len && mask[j] == 0)
            ++j;
        return j;
    };
    auto byteAt = [&](int k) { return k < len ? (Record[k] >> shift) & 0xFF : 0; };
    // Slot 0 never starts a segment; the last segment runs to slot len, which reads 0. The pass
    // ends after that segment, so a channel without measured slots is left as it is.
    int start = next(0);
    while (start < len) {
        const int end = next(start);
        const double y0 = byteAt(start), y1 = byteAt(end);
        const double slope = (y1 - y0) / (end - start);
        for (int i = start; i < end; ++i) {
            const auto value = static_cast<uint16_t>(std::nearbyint((i - start) * slope + y0));
            out[i] = static_cast<uint16_t>((out[i] & keep) | ((value & 0xFF) << shift));
        }
        start = end;
    }
}

} // namespace pellex
