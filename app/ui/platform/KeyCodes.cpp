#include "platform/KeyCodes.h"

#include <QKeyEvent>

namespace scope {

namespace {

constexpr int32_t Ext = 256;

// Linux input codes (X11 and Wayland give them + 8) to set-1 scan codes; codes 1 to 88 are the same in both.
int32_t FromInputCode(int32_t input) {
    if (input >= 1 && input <= 88)
        return input;
    switch (input) {
    case 96:
        return Ext + 28; // keypad Enter
    case 97:
        return Ext + 29; // right Ctrl
    case 98:
        return Ext + 53; // keypad /
    case 99:
        return Ext + 55; // Print Screen
    case 100:
        return Ext + 56; // right Alt
    case 102:
        return Ext + 71; // Home
    case 103:
        return Ext + 72; // Up
    case 104:
        return Ext + 73; // Page Up
    case 105:
        return Ext + 75; // Left
    case 106:
        return Ext + 77; // Right
    case 107:
        return Ext + 79; // End
    case 108:
        return Ext + 80; // Down
    case 109:
        return Ext + 81; // Page Down
    case 110:
        return Ext + 82; // Insert
    case 111:
        return Ext + 83; // Delete
    case 119:
        return 69; // Pause
    case 125:
        return Ext + 91; // left Windows
    case 126:
        return Ext + 92; // right Windows
    case 127:
        return Ext + 93; // menu
    default:
        return 0;
    }
}

// Where the event carries no native code (offscreen): the key and the keypad flag.
int32_t FromQtKey(int key, bool keypad) {
    if (keypad) {
        switch (key) {
        case Qt::Key_7:
        case Qt::Key_Home:
            return 71;
        case Qt::Key_8:
            return 72;
        case Qt::Key_9:
        case Qt::Key_PageUp:
            return 73;
        case Qt::Key_Minus:
            return 74;
        case Qt::Key_4:
            return 75;
        case Qt::Key_5:
            return 76;
        case Qt::Key_6:
            return 77;
        case Qt::Key_Plus:
            return 78;
        case Qt::Key_1:
            return 79;
        case Qt::Key_2:
            return 80;
        case Qt::Key_3:
            return 81;
        case Qt::Key_0:
            return 82;
        case Qt::Key_Period:
            return 83;
        case Qt::Key_Asterisk:
            return 55;
        case Qt::Key_Slash:
            return Ext + 53;
        case Qt::Key_Enter:
            return Ext + 28;
        default:
            break;
        }
    }
    static const char Letters[] = "QWERTYUIOPASDFGHJKLZXCVBNM";
    static const int32_t LetterCodes[] = {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 30, 31, 32,
                                          33, 34, 35, 36, 37, 38, 44, 45, 46, 47, 48, 49, 50};
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        for (int i = 0; Letters[i]; ++i)
            if (Letters[i] == char(key))
                return LetterCodes[i];
    if (key >= Qt::Key_1 && key <= Qt::Key_9)
        return 2 + (key - Qt::Key_1);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F10)
        return 59 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_0:
        return 11;
    case Qt::Key_F11:
        return 87;
    case Qt::Key_F12:
        return 88;
    case Qt::Key_Escape:
        return 1;
    case Qt::Key_Minus:
        return 12;
    case Qt::Key_Equal:
        return 13;
    case Qt::Key_Backspace:
        return 14;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 15;
    case Qt::Key_Return:
        return 28;
    case Qt::Key_Enter:
        return Ext + 28;
    case Qt::Key_Control:
        return 29;
    case Qt::Key_Shift:
        return 42;
    case Qt::Key_Alt:
        return 56;
    case Qt::Key_AltGr:
        return Ext + 56;
    case Qt::Key_Space:
        return 57;
    case Qt::Key_CapsLock:
        return 58;
    case Qt::Key_NumLock:
        return Ext + 69;
    case Qt::Key_ScrollLock:
        return 70;
    case Qt::Key_Pause:
        return 69;
    case Qt::Key_Print:
        return Ext + 55;
    case Qt::Key_Home:
        return Ext + 71;
    case Qt::Key_Up:
        return Ext + 72;
    case Qt::Key_PageUp:
        return Ext + 73;
    case Qt::Key_Left:
        return Ext + 75;
    case Qt::Key_Right:
        return Ext + 77;
    case Qt::Key_End:
        return Ext + 79;
    case Qt::Key_Down:
        return Ext + 80;
    case Qt::Key_PageDown:
        return Ext + 81;
    case Qt::Key_Insert:
        return Ext + 82;
    case Qt::Key_Delete:
        return Ext + 83;
    case Qt::Key_Meta:
        return Ext + 91;
    case Qt::Key_Menu:
        return Ext + 93;
    case Qt::Key_Comma:
        return 51;
    case Qt::Key_Period:
        return 52;
    case Qt::Key_Slash:
        return 53;
    case Qt::Key_Semicolon:
        return 39;
    case Qt::Key_Apostrophe:
        return 40;
    case Qt::Key_QuoteLeft:
        return 41;
    case Qt::Key_Backslash:
        return 43;
    case Qt::Key_BracketLeft:
        return 26;
    case Qt::Key_BracketRight:
        return 27;
    default:
        return 0;
    }
}

} // namespace

int32_t KeyCodeOf(const QKeyEvent &event) {
    const quint32 native = event.nativeScanCode();
    if (native > 8)
        if (const int32_t code = FromInputCode(static_cast<int32_t>(native) - 8))
            return code;
    return FromQtKey(event.key(), event.modifiers().testFlag(Qt::KeypadModifier));
}

bool IsSystemKey(const QKeyEvent &event) {
    const int key = event.key();
    if (key == Qt::Key_Alt || key == Qt::Key_AltGr || key == Qt::Key_F10)
        return true;
    // The release of Alt itself carries no Alt modifier any more; it was caught above.
    return event.modifiers().testFlag(Qt::AltModifier);
}

TKeyMessage KeyMessageOf(const QKeyEvent &event) {
    TKeyMessage m;
    if (event.isAutoRepeat() || IsSystemKey(event))
        return m;
    if (event.type() == QEvent::KeyPress)
        m.Kind = TKeyMessage::KeyDown;
    else if (event.type() == QEvent::KeyRelease)
        m.Kind = TKeyMessage::KeyUp;
    else
        return m;
    m.Code = KeyCodeOf(event);
    m.NoVirtualKey = m.Code == 0;
    return m;
}

} // namespace scope
