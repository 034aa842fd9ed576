// Preload of the after-trigger counter, a 16-bit Fibonacci shift register.
#pragma once

#include <cstdint>

namespace pellex {

// Steps after which the register returns to $FFFF.
constexpr int32_t LfsrPeriod = 63457;

// One step of the counter.
constexpr uint16_t LfsrStep(uint16_t s) {
    return static_cast<uint16_t>((s << 1) | (((s >> 6) ^ (s >> 15)) & 1));
}

// The preload from which n steps reach $FFFF. A count of a whole period or more gives the longest
// count the counter has (period - 1 steps), since a whole period would end where it began.
uint16_t LfsrCount(int32_t n);

} // namespace pellex
