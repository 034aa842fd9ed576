// What the main form hands the application's key messages to: the hot-key detector.
#pragma once

class QKeyEvent;

namespace scope {

class IKeyMessageTarget {
public:
    virtual ~IKeyMessageTarget() = default;
    // A key press or release seen while the main form is the active window; set handled to keep
    // it from the focused control.
    virtual void ProcessMessage(QKeyEvent &message, bool &handled) = 0;
    // The program lost the focus: every key counts as released.
    virtual void ResetPressedKeys() = 0;
};

} // namespace scope
