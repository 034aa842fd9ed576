// Statistics of the trigger phases of equivalent-time captures: a ring of the last 1024 phases,
// their histogram and the phase window they span.
#pragma once

#include <array>
#include <cstdint>

namespace pellex {

class TPhaseStatistics {
public:
    static constexpr int RingSize = 1024;
    static constexpr int Cells = 512;
    static constexpr uint16_t StartMinimum = 143;
    static constexpr uint16_t StartMaximum = 250;

    TPhaseStatistics() { Reset(); }
    // Empty ring, zero histogram, the start window with one count at each bound.
    void Reset();
    // Takes a phase in; true when it widened the window (the capture must then not be read).
    // Phases of 0 and beyond the histogram are ignored.
    bool Add(int32_t phase);

    uint16_t Minimum() const { return Min; }
    uint16_t Maximum() const { return Max; }
    uint16_t Width() const { return WindowWidth; }
    int32_t Count() const { return PhaseCount; }
    int32_t Cell(int phase) const { return Histogram[phase]; }

private:
    std::array<int32_t, RingSize> Ring{};
    std::array<int32_t, Cells> Histogram{};
    int32_t PhaseCount = 0;
    uint16_t Min = StartMinimum, Max = StartMaximum, WindowWidth = StartMaximum - StartMinimum;
};

} // namespace pellex
