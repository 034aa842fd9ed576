#include "acquisition/MasterTimerTarn.h"

#include "bus/ObjMasterTarn.h"

namespace scope {

namespace {

struct TCountdownRow {
    int32_t StartMsg, Ticks, ExpiryMsg, CancelMsg; // CancelMsg -1: none
};

constexpr TCountdownRow Rows[TMasterTimerTarn::CountdownCount] = {
    {bmZoomMarksShow, 15, bmZoomMarksHide, bmZoomMarksHide}, {bmTimeBaseChanged, 200, bmTimeBaseSettled, -1},
    {bmSaveDone, 20, bmSaveLampOff, bmSaveLampOff},          {bmLoadDone, 20, bmLoadLampOff, bmLoadLampOff},
    {bmRepeatStart, 3, bmRepeatTick, bmRepeatStop},
};

} // namespace

void TMasterTimerTarn::ObjMasterMessage(int32_t Msg, int32_t, void *) {
    for (int i = 0; i < CountdownCount; ++i) {
        if (Msg == Rows[i].StartMsg)
            Start(i, Rows[i].Ticks);
        else if (Msg == Rows[i].CancelMsg)
            Countdowns[i] = 0; // the timer runs on; the next tick switches it off when nothing is left
    }
}

void TMasterTimerTarn::Start(int index, int32_t ticks) {
    Countdowns[index] = ticks;
    SetEnabled(true);
}

void TMasterTimerTarn::Tick() {
    if (!TimerOn)
        return;
    for (int i = 0; i < CountdownCount; ++i) {
        if (Countdowns[i] == 0)
            continue;
        --Countdowns[i];
        if (Countdowns[i] != 0)
            continue;
        // The repeat is re-armed before its message goes out, so a stop sent while it is handled wins.
        if (i == cdRepeat)
            Countdowns[i] = 1;
        if (ObjMaster())
            ObjMaster()->Broadcast(Rows[i].ExpiryMsg, 0, nullptr);
    }
    bool idle = true;
    for (int32_t c : Countdowns)
        idle = idle && c == 0;
    if (idle)
        SetEnabled(false);
}

void TMasterTimerTarn::SetEnabled(bool on) {
    if (TimerOn == on)
        return;
    TimerOn = on;
    if (OnEnabledChanged)
        OnEnabledChanged(on);
}

} // namespace scope
