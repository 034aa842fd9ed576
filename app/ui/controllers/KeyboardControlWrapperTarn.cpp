#include "controllers/KeyboardControlWrapperTarn.h"

#include "bus/ObjMasterTarn.h"
#include "keyboard/HotkeyDetector.h"
#include "settings/SettingsTarn.h"

#include <iterator>

namespace scope {

namespace {

struct TAction {
    int32_t Msg;
    int32_t Param; // for the screen moves: divisions
    bool Repeats;
    bool PerDivision;
};

// By hot-key ID (the option's param).
constexpr TAction Actions[] = {
    {bmHotkeyHold, 0, false, false},      {bmHotkeyRangeUp, 0, false, false},
    {bmHotkeyRangeUp, 1, false, false},   {bmHotkeyRangeDown, 0, false, false},
    {bmHotkeyRangeDown, 1, false, false}, {bmHotkeyShiftUp, 0, true, false},
    {bmHotkeyShiftUp, 1, true, false},    {bmHotkeyShiftDown, 0, true, false},
    {bmHotkeyShiftDown, 1, true, false},  {bmHotkeyTimeBase, 1, true, false},
    {bmHotkeyTimeBase, -1, true, false},  {bmHotkeyZoomIn, 0, false, false},
    {bmHotkeyZoomOut, 0, false, false},   {bmHotkeyMoveScreen, 2, true, true},
    {bmHotkeyMoveScreen, -2, true, true}, {bmHotkeyMoveScreen, 8, true, true},
    {bmHotkeyMoveScreen, -8, true, true},
};
constexpr int32_t ActionCount = static_cast<int32_t>(std::size(Actions));

} // namespace

void TKeyboardControlWrapperTarn::ObjMasterMessage(int32_t Msg, int32_t Param, void *) {
    switch (Msg) {
    case bmInitialize:
        if (Detector)
            Detector->OnHotkeyChange = [this](int32_t ID) { HotkeyChanged(ID); };
        break;
    case bmSettingsApplied:
        if (Param == ssLimits)
            RegisterHotkeys();
        break;
    case bmRepeatTick:
        DispatchHotkey(LastID);
        break;
    default:
        break;
    }
}

void TKeyboardControlWrapperTarn::RegisterHotkeys() {
    TSettingsTarn *s = Settings();
    if (!Detector || !s || !s->Options)
        return;
    TOptions &options = *s->Options;
    Detector->SetActive(options.GetBoolean(opKeyboardControl));
    Detector->DistinguishLeftRight = options.GetBoolean(opDistinguishLeftRightControls);
    Detector->ClearHotkeys();
    for (int32_t id = 0; id < options.Count(); ++id)
        if (auto *hotkey = dynamic_cast<THotkeyOption *>(options.GetOption(id)))
            Detector->AddHotkey(hotkey->Keys, hotkey->Param);
}

void TKeyboardControlWrapperTarn::HotkeyChanged(int32_t ID) {
    LastID = ID;
    TObjMasterTarn *bus = ObjMaster();
    if (!bus)
        return;
    if (ID == -1)
        bus->Broadcast(bmRepeatStop, 0, nullptr);
    else if (ID >= 0 && ID < ActionCount && Actions[ID].Repeats)
        bus->Broadcast(bmRepeatStart, 0, nullptr);
    DispatchHotkey(ID);
}

void TKeyboardControlWrapperTarn::DispatchHotkey(int32_t ID) {
    TObjMasterTarn *bus = ObjMaster();
    if (!bus)
        return;
    if (ID == -1) {
        bus->Broadcast(bmHotkeyReleased, 0, nullptr);
        return;
    }
    if (ID < 0 || ID >= ActionCount)
        return;
    const TAction &a = Actions[ID];
    int32_t param = a.Param;
    if (a.PerDivision)
        param *= Settings() ? Settings()->PointsPerDiv : 0;
    bus->Broadcast(a.Msg, param, nullptr);
}

} // namespace scope
