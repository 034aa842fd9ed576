#include "keyboard/HotkeyDetector.h"

#include <algorithm>

namespace scope {

namespace {
constexpr int32_t LeftShift = 42, RightShift = 54, LeftCtrl = 29, RightCtrl = 256 + 29;
}

int32_t THotkeyDetector::NormalizeKey(int32_t code) const {
    if (DistinguishLeftRight)
        return code;
    if (code == RightShift)
        return LeftShift;
    if (code == RightCtrl)
        return LeftCtrl;
    return code;
}

void THotkeyDetector::ProcessMessage(const TKeyMessage &message, bool &handled) {
    if (!IsActive)
        return;
    switch (message.Kind) {
    case TKeyMessage::KeyDown:
        if (message.NoVirtualKey)
            return;
        PressKey(NormalizeKey(message.Code));
        break;
    case TKeyMessage::KeyUp:
        ReleaseKey(NormalizeKey(message.Code));
        break;
    default:
        return;
    }
    CheckHotkeyChange();
    handled = Match != -1;
}

void THotkeyDetector::PressKey(int32_t code) {
    if (std::find(Pressed.begin(), Pressed.end(), code) != Pressed.end())
        return;
    Pressed.push_back(code);
    PressedSum += code;
}

void THotkeyDetector::ReleaseKey(int32_t code) {
    const auto it = std::find(Pressed.begin(), Pressed.end(), code);
    if (it == Pressed.end())
        return;
    PressedSum -= code;
    Pressed.erase(it);
}

void THotkeyDetector::ResetPressedKeys() {
    Pressed.clear();
    PressedSum = 0;
    CheckHotkeyChange();
}

bool THotkeyDetector::KeysMatch(const THotkey &hotkey) const {
    if (hotkey.Keys.size() != Pressed.size())
        return false;
    for (int32_t code : Pressed)
        if (std::find(hotkey.Keys.begin(), hotkey.Keys.end(), code) == hotkey.Keys.end())
            return false;
    return true;
}

int32_t THotkeyDetector::FindMatch() const {
    if (PressedSum == 0)
        return -1;
    for (size_t i = 0; i < Hotkeys.size(); ++i)
        if (Hotkeys[i].Sum == PressedSum && KeysMatch(Hotkeys[i]))
            return static_cast<int32_t>(i);
    return -1;
}

bool THotkeyDetector::UpdateMatch() {
    const int32_t found = FindMatch();
    const bool changed = found != Match;
    Match = found;
    return changed;
}

void THotkeyDetector::CheckHotkeyChange() {
    if (UpdateMatch() && OnHotkeyChange)
        OnHotkeyChange(Match == -1 ? -1 : Hotkeys[static_cast<size_t>(Match)].ID);
}

void THotkeyDetector::AddHotkey(const TKeyList &keys, int32_t ID) {
    THotkey hotkey;
    hotkey.ID = ID;
    for (int32_t code : keys) {
        hotkey.Keys.push_back(NormalizeKey(code));
        hotkey.Sum += hotkey.Keys.back();
    }
    Hotkeys.push_back(std::move(hotkey));
}

void THotkeyDetector::SetActive(bool value) {
    IsActive = value;
    ResetPressedKeys();
}

} // namespace scope
