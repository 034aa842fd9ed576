#include "Lfsr.h"

#include <array>

namespace pellex {

namespace {

// States along the cycle from $FFFF: Cycle[k] is the state after k steps.
struct TLfsrCycle {
    std::array<uint16_t, LfsrPeriod> States{};
    TLfsrCycle() {
        uint16_t s = 0xFFFF;
        for (int32_t k = 0; k < LfsrPeriod; ++k) {
            States[k] = s;
            s = LfsrStep(s);
        }
    }
};

const TLfsrCycle &Cycle() {
    static const TLfsrCycle cycle;
    return cycle;
}

} // namespace

uint16_t LfsrCount(int32_t n) {
    if (n < 0)
        n = 0;
    if (n >= LfsrPeriod)
        n = LfsrPeriod - 1;
    // The state n steps before $FFFF is the state (period - n) steps after it.
    return Cycle().States[(LfsrPeriod - n) % LfsrPeriod];
}

} // namespace pellex
