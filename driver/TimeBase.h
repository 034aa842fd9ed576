// The time-base control word and equivalent-time factor for a time per division.
#pragma once

#include <cstdint>

namespace pellex {

struct TTimeBaseChoice {
    uint16_t Word = 0;
    bool EquivalentTime = false;
    int32_t Factor = 1;
    bool Fast = false;
};

// V in ns per division; an unknown V keeps the current word but runs in real time.
TTimeBaseChoice ChooseTimeBase(int32_t v, int deviceType, uint16_t currentWord);

} // namespace pellex
