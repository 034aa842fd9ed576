// Delayed and repeated bus messages from one 100 ms timer: zoom marks, time-base settling, the save
// and load lamps and the auto-repeat of held hot keys.
#pragma once

#include "bus/ComponentsTarn.h"

#include <array>
#include <cstdint>
#include <functional>

namespace scope {

class TMasterTimerTarn : public TComponentTarn {
public:
    static constexpr int32_t IntervalMs = 100;
    static constexpr int CountdownCount = 5;
    enum : int { cdZoomMarks = 0, cdTimeBase = 1, cdSaveLamp = 2, cdLoadLamp = 3, cdRepeat = 4 };

    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override;
    // One timer period; the program calls it every IntervalMs while Enabled().
    void Tick();

    bool Enabled() const { return TimerOn; }
    int32_t Countdown(int index) const { return Countdowns[index]; }
    // Told whenever the timer is switched on or off, so that a real timer can follow.
    std::function<void(bool)> OnEnabledChanged;

private:
    void Start(int index, int32_t ticks);
    void SetEnabled(bool on);

    std::array<int32_t, CountdownCount> Countdowns{};
    bool TimerOn = false;
};

} // namespace scope
