// "Communication broken": shown while the link to the instrument is down; it reopens the same device
// object twice a second until one attempt succeeds, or the user ends the program with Exit.
#pragma once

#include <QDialog>
#include <cstdint>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace scope {

class TDriverAbstraction;
class TMainForm;

class TCommBrokenForm : public QDialog {
    Q_OBJECT
public:
    // The device and its enumerated ID (0: opened with index -1) are the program's own.
    TCommBrokenForm(QWidget *owner, TDriverAbstraction &device, int32_t enumeratedID);

    QLabel *Image1 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QPushButton *Button1 = nullptr;
    QTimer *Timer1 = nullptr;

    // Shows the form modally; true when the device was reopened.
    bool WaitForReconnect();
    // One reopening attempt.
    void Timer1Timer();

protected:
    // Escape does nothing here: the ways out are Exit and the close box.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void FormCreate();

    TDriverAbstraction &Device;
    int32_t EnumeratedID;
    bool Reconnected = false;
};

// The acquisition thread's hook: the form over the main form; without a reconnection the main form
// closes without its exit question, which ends the program.
bool ShowCommBroken(TMainForm &form, TDriverAbstraction &device, int32_t enumeratedID);

} // namespace scope
