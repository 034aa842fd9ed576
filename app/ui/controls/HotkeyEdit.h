// A read-only field that captures a hot key: the keys pressed together while it has the focus, shown by
// name joined by " + ".
#pragma once

#include "keyboard/HotkeyCapture.h"
#include "settings/OptionsTarn.h"

#include <QLineEdit>
#include <QPointer>

class QAbstractButton;

namespace scope {

class THotkeyEdit : public QLineEdit, public IHotkeyEditControl {
    Q_OBJECT
public:
    explicit THotkeyEdit(QWidget *parent = nullptr);

    int32_t KeyCount() const override { return Capture.KeyCount(); }
    void SetKeyCount(int32_t count) override;
    int32_t Key(int32_t index) const override { return Capture.Key(index); }
    void SetKey(int32_t index, int32_t code) override;
    // One text for the whole combination, not one a key.
    void SetKeys(const TKeyList &keys) override;
    void ClearKeys();

    // Its click empties the field.
    void SetClearKeyListButton(QAbstractButton *button);
    QAbstractButton *ClearKeyListButton() const { return ClearButton; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void Refresh();

    THotkeyCapture Capture;
    QPointer<QAbstractButton> ClearButton;
    QMetaObject::Connection ClearConnection;
};

} // namespace scope
