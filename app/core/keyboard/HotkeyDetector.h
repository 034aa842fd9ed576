// Watches the keys held down in the main window and reports when they start or stop matching one of the
// registered hot keys.
#pragma once

#include "settings/OptionsTarn.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace scope {

// One key message as the detector needs it.
struct TKeyMessage {
    enum TKind { Other, KeyDown, KeyUp };
    TKind Kind = Other;
    int32_t Code = 0;
    // The key has no code of its own (neither a known scan code nor a known key).
    bool NoVirtualKey = false;
};

class THotkeyDetector {
public:
    struct THotkey {
        int32_t ID = 0;
        TKeyList Keys;
        // Wide enough for any list of 32-bit codes.
        int64_t Sum = 0;
    };

    void ProcessMessage(const TKeyMessage &message, bool &handled);
    void AddHotkey(const TKeyList &keys, int32_t ID);
    void ClearHotkeys() { Hotkeys.clear(); }
    void SetActive(bool value);
    bool Active() const { return IsActive; }
    // Every key counts as released. A standing match ends and is reported as -1, since the releases went to
    // another window.
    void ResetPressedKeys();

    bool DistinguishLeftRight = false;
    // The matched hot key's ID, or -1 when the pressed keys no longer match any.
    std::function<void(int32_t ID)> OnHotkeyChange;

    const TKeyList &PressedKeys() const { return Pressed; }
    int32_t MatchIndex() const { return Match; }
    const std::vector<THotkey> &HotkeyList() const { return Hotkeys; }

private:
    int32_t NormalizeKey(int32_t code) const;
    void PressKey(int32_t code);
    void ReleaseKey(int32_t code);
    int32_t FindMatch() const;
    bool KeysMatch(const THotkey &hotkey) const;
    bool UpdateMatch();
    void CheckHotkeyChange();

    TKeyList Pressed;
    int64_t PressedSum = 0;
    std::vector<THotkey> Hotkeys;
    int32_t Match = -1;
    bool IsActive = false;
};

} // namespace scope
