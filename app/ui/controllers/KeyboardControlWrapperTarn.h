// Turns the hot keys the detector reports into the bus messages of their actions; the actions that repeat
// while their keys stay down do so through the master timer.
#pragma once

#include "bus/ComponentsTarn.h"

#include <cstdint>

namespace scope {

class THotkeyDetector;

class TKeyboardControlWrapperTarn : public TComponentTarn {
public:
    void SetDetector(THotkeyDetector *detector) { Detector = detector; }
    THotkeyDetector *GetDetector() const { return Detector; }

    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override;
    void HotkeyChanged(int32_t ID);
    void DispatchHotkey(int32_t ID);

private:
    void RegisterHotkeys();

    THotkeyDetector *Detector = nullptr;
    int32_t LastID = -1;
};

} // namespace scope
