// Key codes of Qt key events: set-1 scan codes, plus 256 for an extended key.
#pragma once

#include "keyboard/HotkeyDetector.h"

class QKeyEvent;

namespace scope {

// The event's key code, 0 when neither its native scan code nor its key is known.
int32_t KeyCodeOf(const QKeyEvent &event);
// Keys the window system keeps for itself: Alt, F10, and any key while Alt is down.
bool IsSystemKey(const QKeyEvent &event);
// The detector's view of a key event; repeats and system keys are Other.
TKeyMessage KeyMessageOf(const QKeyEvent &event);

} // namespace scope
