// What a hot-key field records: the keys held down now and the combination captured from them.
#pragma once

#include "settings/OptionsTarn.h"

#include <cstdint>
#include <string>

namespace scope {

class THotkeyCapture {
public:
    // A key went down; a key without a code of its own is not recorded (it still ends a released
    // combination).
    void KeyDown(int32_t code, bool noVirtualKey);
    void KeyUp(int32_t code, bool noVirtualKey);
    // The next key pressed starts a new combination.
    void FocusLost() { Held.clear(); }

    int32_t KeyCount() const { return static_cast<int32_t>(Combination.size()); }
    // New keys are 0.
    void SetKeyCount(int32_t count);
    // 0 outside the combination.
    int32_t Key(int32_t index) const;
    // Ignored outside the combination.
    void SetKey(int32_t index, int32_t code);
    void ClearKeys() { Combination.clear(); }

    // The names of the combination's keys joined by " + ".
    std::string Text() const;
    const TKeyList &HeldKeys() const { return Held; }
    const TKeyList &Keys() const { return Combination; }

private:
    void MergeHeldKeys();

    TKeyList Held;
    TKeyList Combination;
};

} // namespace scope
