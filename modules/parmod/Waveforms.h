// Generated test and benchmark signals of 8-bit samples.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace parmod {

namespace waveforms {

// One period as given, repeated to `length` samples.
inline std::vector<uint8_t> Repeat(const std::vector<uint8_t> &period, int32_t length) {
    std::vector<uint8_t> out(length);
    for (int32_t i = 0; i < length; ++i)
        out[i] = period[i % period.size()];
    return out;
}

// Low for the first `lowSamples` of each period, high for the rest.
inline std::vector<uint8_t> Square(int32_t period, int32_t lowSamples, uint8_t low, uint8_t high,
                                   int32_t length) {
    std::vector<uint8_t> one(period);
    for (int32_t i = 0; i < period; ++i)
        one[i] = i < lowSamples ? low : high;
    return Repeat(one, length);
}

inline std::vector<uint8_t> Sine(double period, double amplitude, double offset, int32_t length) {
    std::vector<uint8_t> out(length);
    for (int32_t i = 0; i < length; ++i)
        out[i] = static_cast<uint8_t>(
            std::nearbyint(offset + amplitude * std::sin(2 * std::numbers::pi * i / period)));
    return out;
}

inline std::vector<uint8_t> Constant(uint8_t level, int32_t length) {
    return std::vector<uint8_t>(length, level);
}

} // namespace waveforms

} // namespace parmod
