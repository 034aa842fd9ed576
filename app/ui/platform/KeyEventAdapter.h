// Hands the main window's key events to the hot-key detector as key messages.
#pragma once

#include "keyboard/HotkeyDetector.h"
#include "platform/KeyMessageTarget.h"

namespace scope {

class TKeyEventAdapter : public IKeyMessageTarget {
public:
    explicit TKeyEventAdapter(THotkeyDetector &detector) : Detector(detector) {}
    void ProcessMessage(QKeyEvent &message, bool &handled) override;
    void ResetPressedKeys() override { Detector.ResetPressedKeys(); }

private:
    THotkeyDetector &Detector;
};

} // namespace scope
