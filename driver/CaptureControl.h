// One capture at a time: arming, stopping and finishing it, the status poll with the automatic
// trigger's time-outs, and the trigger-phase statistics of equivalent-time captures.
#pragma once

#include "DriverSeams.h"
#include "DriverState.h"
#include "UsbPort.h"

namespace pellex {

class TCaptureControl {
public:
    TCaptureControl(TDriverState &state, TUsbPort &port, ITickSource &ticks, IRandomSource &random)
        : S(state), Port(port), Ticks(ticks), Random(random) {}

    void Arm();
    // Arms and waits for the trigger (state armed, status 3); false when the link broke.
    bool ArmAndWait();
    void Stop();
    void Finish();
    // True when the capture is complete.
    bool Poll();
    // After a read-out in auto mode: the user's trigger words return (short stage).
    void RestoreTriggerWords();
    // Registers 4, 6, 3, 5 from the stored words (or the neutral $8000); false on a broken link.
    bool WriteTriggerWords(bool neutral, bool withPreload);

private:
    bool PollSteps();
    bool PollAuto();
    void Force();

    TDriverState &S;
    TUsbPort &Port;
    ITickSource &Ticks;
    IRandomSource &Random;
};

} // namespace pellex
