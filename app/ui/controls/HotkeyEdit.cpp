#include "controls/HotkeyEdit.h"

#include "platform/KeyCodes.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace scope {

THotkeyEdit::THotkeyEdit(QWidget *parent) : QLineEdit(parent) {
    setReadOnly(true);
}

void THotkeyEdit::SetKeyCount(int32_t count) {
    Capture.SetKeyCount(count);
    Refresh();
}

void THotkeyEdit::SetKey(int32_t index, int32_t code) {
    Capture.SetKey(index, code);
    Refresh();
}

void THotkeyEdit::SetKeys(const TKeyList &keys) {
    Capture.SetKeyCount(static_cast<int32_t>(keys.size()));
    for (size_t i = 0; i < keys.size(); ++i)
        Capture.SetKey(static_cast<int32_t>(i), keys[i]);
    Refresh();
}

void THotkeyEdit::ClearKeys() {
    Capture.ClearKeys();
    Refresh();
}

void THotkeyEdit::SetClearKeyListButton(QAbstractButton *button) {
    QObject::disconnect(ClearConnection);
    ClearButton = button;
    if (button)
        ClearConnection = connect(button, &QAbstractButton::clicked, this, [this] { ClearKeys(); });
}

void THotkeyEdit::Refresh() {
    setText(QString::fromStdString(Capture.Text()));
}

void THotkeyEdit::keyPressEvent(QKeyEvent *event) {
    // Escape closes the dialog; system keys (Alt, F10) belong to the window system.
    if (event->key() == Qt::Key_Escape || IsSystemKey(*event)) {
        event->ignore();
        return;
    }
    event->accept();
    if (event->isAutoRepeat())
        return;
    const int32_t code = KeyCodeOf(*event);
    Capture.KeyDown(code, code == 0);
    Refresh();
}

void THotkeyEdit::keyReleaseEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape || IsSystemKey(*event)) {
        event->ignore();
        return;
    }
    event->accept();
    if (event->isAutoRepeat())
        return;
    const int32_t code = KeyCodeOf(*event);
    Capture.KeyUp(code, code == 0);
}

void THotkeyEdit::focusOutEvent(QFocusEvent *event) {
    QLineEdit::focusOutEvent(event);
    Capture.FocusLost();
}

} // namespace scope
